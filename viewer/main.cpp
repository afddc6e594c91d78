#include "DataView.h"
#include "MessageBoxSink.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaly"));
    QApplication::setApplicationVersion(QStringLiteral(HMI_VERSION));
    MessageBoxSink boxes;
    Messages::setSink(&boxes);
    Messages::setTitle(QStringLiteral("Tessaly"));
    DataView window;
    window.show();
    return app.exec();
}
