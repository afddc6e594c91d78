#include "StartUp.h"

#include "Messages.h"

#include <QApplication>
#include <QFont>
#include <QIcon>

namespace StartUp {

void Register_Font_Substitutes()
{
    const QString sans = QStringLiteral("Sans Serif");
    QFont::insertSubstitutions(QStringLiteral("Comic Sans MS"), {QStringLiteral("Comic Neue"), sans});
    QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans"), sans});
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
                               {QStringLiteral("Liberation Mono"), QStringLiteral("Monospace")});
}

void Prepare(const QString& title, const QIcon& icon)
{
    QApplication::setApplicationName(title);
    QApplication::setApplicationVersion(QStringLiteral(HMI_VERSION));
    QApplication::setWindowIcon(icon);
    Messages::setTitle(title);
    Register_Font_Substitutes();
}

} // namespace StartUp
