// CommServer: the stand-in communication server. Serves "RSLinx" links on a per-user local socket and
// keeps simulated process values moving; with a control switch it talks to the running server instead.
#include "ControlCommand.h"
#include "DriverHub.h"
#include "LinkProtocol.h"
#include "LinkServer.h"
#include "SharedVars.h"
#include "Simulator.h"
#include "TextFile.h"
#include "ValueStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QTextStream>
#include <QTimer>

#include <memory>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

QStringList rulesLines(const QCommandLineParser& args, QTextStream& err)
{
    if (args.isSet(QStringLiteral("no-rules")))
        return {};
    QString path = args.value(QStringLiteral("rules"));
    if (path.isEmpty()) {
        path = SharedVars::AppFolder + QStringLiteral("SimRules.txt");
        // Without a rules file of its own the server runs the demo's rules, so values move out of the box.
        if (!QFile::exists(path))
            path = QStringLiteral(":/SimRules.txt");
    }
    Result<QStringList> lines = TextFile::readLines(path);
    if (!lines) {
        err << "CommServer: rules file " << path << ": " << lines.error().text() << Qt::endl;
        return {};
    }
    return lines.value();
}

// Topics that controllers serve: "CommTopics.txt" beside the program, or --topics FILE; empty when there
// is no such file beside the program, and then every topic is simulated.
QString topicsPath(const QCommandLineParser& args)
{
    const QString path = args.value(QStringLiteral("topics"));
    if (!path.isEmpty())
        return path;
    const QString beside = SharedVars::AppFolder + QStringLiteral("CommTopics.txt");
    return QFile::exists(beside) ? beside : QString();
}

Result<TopicConfig::Loaded> loadTopics(const QString& path)
{
    if (path.isEmpty())
        return TopicConfig::Loaded{};
    const Result<QStringList> lines = TextFile::readLines(path);
    if (!lines)
        return lines.error();
    return TopicConfig::parse(lines.value());
}

// Controllers' topics; a refused line's topic answers with its line and why, and is never simulated.
void serveTopics(DriverHub& drivers, const QString& path, const TopicConfig::Loaded& loaded, QTextStream& err)
{
    for (const TopicConfig::Refusal& r : loaded.refused)
        err << "CommServer: topics " << r.text() << Qt::endl;
    const QString file = QFileInfo(path).fileName();
    for (const TopicConfig::Refusal& r : loaded.refusedTopics)
        drivers.refuse(r.topic, file + QLatin1Char(' ') + r.text());
}

// --check: each line's verdict; 1 when a line is refused or the file cannot be read.
int checkTopics(const QString& path, QTextStream& out)
{
    if (path.isEmpty()) {
        out << "no CommTopics.txt beside the program: every topic is simulated" << Qt::endl;
        return 0;
    }
    const Result<TopicConfig::Loaded> loaded = loadTopics(path);
    if (!loaded) {
        out << path << ": " << loaded.error().text() << Qt::endl;
        return 1;
    }
    QMap<int, QString> verdicts;
    for (const TopicConfig& t : loaded->topics)
        verdicts.insert(t.line, QStringLiteral("ok, ") + t.describe());
    for (const TopicConfig::Refusal& r : loaded->refused)
        verdicts.insert(r.line, QStringLiteral("refused, ") + r.why);
    const QString file = QFileInfo(path).fileName();
    for (auto it = verdicts.cbegin(); it != verdicts.cend(); ++it)
        out << file << " line " << it.key() << ": " << it.value() << Qt::endl;
    out << loaded->topics.size() << " lines taken, " << loaded->refused.size() << " refused" << Qt::endl;
    return loaded->refused.isEmpty() ? 0 : 1;
}

QString lockPath(const QString& socketName)
{
    const QString base =
        socketName.contains(QLatin1Char('/')) ? socketName : QDir::tempPath() + QLatin1Char('/') + socketName;
    return base + QStringLiteral(".lock");
}

// Only a running server holds the lock. A killed one leaves its lock file, and once process numbers wrap
// the number in it may be this very process, which the lock file alone would take for a live server.
bool takeLock(QLockFile& lock)
{
    lock.setStaleLockTime(0);
    if (lock.tryLock(0))
        return true;
    qint64 holder = 0;
    QString host, app;
    return lock.getLockInfo(&holder, &host, &app) && holder == QCoreApplication::applicationPid() &&
           lock.removeStaleLockFile() && lock.tryLock(0);
}

// Every program holds a connection: take as many descriptors as the system lets this process have.
void raiseDescriptorLimit()
{
#ifdef Q_OS_UNIX
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        (void)::setrlimit(RLIMIT_NOFILE, &limit);
    }
#endif
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("CommServer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(HMI_VERSION));
    SharedVars::Init_Paths();
    QTextStream out(stdout), err(stderr);

    QCommandLineParser args;
    args.setApplicationDescription(QStringLiteral("Stand-in communication server for the \"RSLinx\" links."));
    args.addHelpOption();
    args.addOptions({
        {QStringLiteral("socket"),
         QStringLiteral("Local socket name (default: per user, or $HMI_LINK_SOCKET)."),
         QStringLiteral("name")},
        {QStringLiteral("rules"),
         QStringLiteral("Simulation rules file (default: SimRules.txt beside the program)."),
         QStringLiteral("file")},
        {QStringLiteral("no-rules"), QStringLiteral("Simulate nothing.")},
        {QStringLiteral("topics"),
         QStringLiteral("Topics served by controllers (default: CommTopics.txt beside the program)."),
         QStringLiteral("file")},
        {QStringLiteral("check"),
         QStringLiteral("Check the topics file: print each line's verdict, exit 1 when a line is refused.")},
        {QStringLiteral("delay-ms"), QStringLiteral("Answer every request this much later (test switch)."),
         QStringLiteral("ms")},
        {QStringLiteral("exit-after-ms"), QStringLiteral("Exit after this long (test switch)."),
         QStringLiteral("ms")},
        {QStringLiteral("set"),
         QStringLiteral("Control: write VALUE to ITEM of TOPIC in the running server.")},
        {QStringLiteral("get"),
         QStringLiteral("Control: print the value of ITEM of TOPIC from the running server.")},
        {QStringLiteral("quit"), QStringLiteral("Control: stop the running server.")},
    });
    args.addPositionalArgument(QStringLiteral("topic item [value]"),
                               QStringLiteral("Arguments of --set and --get."));
    args.process(app);

    if (args.isSet(QStringLiteral("check")))
        return checkTopics(topicsPath(args), out);

    const QString socketName = args.isSet(QStringLiteral("socket")) ? args.value(QStringLiteral("socket"))
                                                                    : LinkProtocol::socketName();
    const QStringList pos = args.positionalArguments();
    if (args.isSet(QStringLiteral("set"))) {
        if (pos.size() != 3) {
            err << "usage: CommServer --set TOPIC ITEM VALUE" << Qt::endl;
            return 2;
        }
        return ControlCommand::run(socketName, {QStringLiteral("POKE"), pos[0], pos[1], pos[2]});
    }
    if (args.isSet(QStringLiteral("get"))) {
        if (pos.size() != 2) {
            err << "usage: CommServer --get TOPIC ITEM" << Qt::endl;
            return 2;
        }
        return ControlCommand::run(socketName, {QStringLiteral("GET"), pos[0], pos[1]});
    }
    if (args.isSet(QStringLiteral("quit")))
        return ControlCommand::run(socketName, {QStringLiteral("QUIT")});

    auto msOption = [&](const QString& name) {
        bool ok = false;
        const int ms = args.value(name).toInt(&ok);
        return ok && ms > 0 ? ms : 0;
    };

    raiseDescriptorLimit();
    // Programs start the server each time a link finds none, so several may start at once: one serves.
    QLockFile lock(lockPath(socketName));
    if (!takeLock(lock)) {
        err << "CommServer: already serving on " << socketName << Qt::endl;
        return 0;
    }

    ValueStore store;
    LinkServer server(store);
    server.setDelay(msOption(QStringLiteral("delay-ms")));
    QString why;
    if (!server.listen(socketName, &why)) {
        err << "CommServer: cannot listen on " << socketName << ": " << why << Qt::endl;
        return 1;
    }
    QObject::connect(&server, &LinkServer::quitRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (const int ms = msOption(QStringLiteral("exit-after-ms")))
        QTimer::singleShot(ms, &app, &QCoreApplication::quit);

    const QString topicsFile = topicsPath(args);
    const Result<TopicConfig::Loaded> topics = loadTopics(topicsFile);
    if (!topics)
        err << "CommServer: topics file " << topicsFile << ": " << topics.error().text() << Qt::endl;
    DriverHub drivers(store, topics ? topics->topics : QList<TopicConfig>());
    if (topics)
        serveTopics(drivers, topicsFile, *topics, err);
    server.setDrivers(&drivers);

    Simulator simulator(store);
    Simulator::Loaded rules = Simulator::parse(rulesLines(args, err));
    for (const QString& w : rules.warnings)
        err << "CommServer: rules " << w << Qt::endl;
    // A controller's values are its own: rules for its topics would fight them.
    rules.rules.removeIf([&](const SimRule& r) { return drivers.serves(r.topic); });
    simulator.start(rules.rules);

    // Tests wait for this line before they connect.
    out << "ready " << socketName << Qt::endl;
    return app.exec();
}
