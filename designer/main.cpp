#include "Main.h"
#include "MessageBoxSink.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(QStringLiteral(HMI_VERSION));
    MessageBoxSink boxes;
    Messages::setSink(&boxes);
    Messages::setTitle(QStringLiteral("Corvane"));
    Main window;
    window.show();
    return app.exec();
}
