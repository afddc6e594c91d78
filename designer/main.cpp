#include "Main.h"
#include "MessageBoxSink.h"
#include "ProgramIcon.h"
#include "StartUp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    StartUp::Prepare(QStringLiteral("Corvane"), ProgramIcon::designer());
    MessageBoxSink boxes;
    Messages::setSink(&boxes);
    Main window;
    window.show();
    return app.exec();
}
