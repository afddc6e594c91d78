#include "DataView.h"
#include "MessageBoxSink.h"
#include "ProgramIcon.h"
#include "StartUp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    StartUp::Prepare(QStringLiteral("Tessaly"), ProgramIcon::viewer());
    MessageBoxSink boxes;
    Messages::setSink(&boxes);
    DataView window;
    window.show();
    return app.exec();
}
