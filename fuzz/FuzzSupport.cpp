#include "FuzzSupport.h"

#include "Messages.h"
#include "SharedVars.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace FuzzSupport {

namespace {

class QuietSink : public Messages::Sink {
public:
    void show(const QString&, Messages::Icon) override {}
    bool ask(const QString&) override { return false; }
    void beep() override {}
};

void dropQtMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

void init()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    // Lives as long as the process, as a program's does.
    new QCoreApplication(argc, argv);
    qInstallMessageHandler(dropQtMessages);
    static QuietSink sink;
    Messages::setSink(&sink);
    static QTemporaryDir folder;
    QDir(folder.path()).mkpath(QStringLiteral("Struct/DDEData"));
    QDir(folder.path()).mkpath(QStringLiteral("Struct/TStruct"));
    SharedVars::Init_Constants();
    SharedVars::Init_Paths(folder.path());
}

QString appPath(const QString& name) { return SharedVars::AppFolder + name; }

QString input(const QString& name, const uint8_t* data, size_t size)
{
    init();
    const QString path = appPath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
        qFatal("fuzz: cannot write %s", qPrintable(path));
    return path;
}

} // namespace FuzzSupport
