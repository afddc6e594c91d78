// 1,000 DINT tags of one Logix topic polled from the controller simulator, then 1,000 elements of one DINT
// array: values read per second and round trips per poll cycle beside one request per item, then
// CommServer's CPU share and memory while it polls them for linked programs.
#include "BenchServer.h"
#include "Cip.h"
#include "LinkProtocol.h"
#include "LogixPoller.h"
#include "PeerController.h"
#include "ValueStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int Tags = 1000;
constexpr int RunMs = 3000;

QStringList items(const QString& form)
{
    QStringList out;
    for (int i = 0; i < Tags; ++i)
        out << form.arg(i);
    return out;
}

void runFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// One Read Tag per item, each waited for: what a driver without batching does.
double oneRequestEach(quint16 port, const QStringList& names)
{
    PeerClient client(port, QStringLiteral("1,0"));
    qint64 done = 0;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < RunMs)
        for (qsizetype i = 0; i < names.size() && client.ask(LogixTag::read(LogixTag::parse(names[i])->path));
             ++i)
            ++done;
    return done * 1000.0 / t.elapsed();
}

TopicConfig topic(quint16 port)
{
    TopicConfig config;
    config.topic = QStringLiteral("PLC1");
    config.driver = TopicConfig::Driver::Logix;
    config.host = QStringLiteral("127.0.0.1");
    config.port = port;
    config.path = QStringLiteral("1,0");
    // Polls again as soon as a cycle is done, so the round trips set the pace.
    config.intervalMs = 1;
    return config;
}

// The driver polling the items as fast as the simulator answers, beside one request per item.
void pollFigures(quint16 port, const char* what, const QStringList& names)
{
    const double single = oneRequestEach(port, names);
    ValueStore store;
    LogixPoller poller(topic(port), store);
    for (const QString& name : names)
        poller.link(QStringLiteral("PLC1\t") + name, name);
    poller.poll();
    runFor(RunMs);
    const TopicPoller::Stats& s = poller.stats();
    const double perSecond = s.values * 1000.0 / RunMs;
    std::printf("Logix topic, %s, simulator: %.0f values/s in %lld cycles, %.1f round trips per cycle\n",
                what, perSecond, static_cast<long long>(s.cycles),
                s.cycles ? static_cast<double>(s.requests) / s.cycles : 0.0);
    std::printf(
        "  one request per item, same simulator: %.0f values/s, %lld round trips per cycle; ratio %.2f\n",
        single, static_cast<long long>(names.size()), single > 0 ? perSecond / single : 0.0);
}

// CPU seconds the process has used, from /proc.
double cpuSeconds(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(')').value(1).trimmed().split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) /
           static_cast<double>(sysconf(_SC_CLK_TCK));
}

QByteArray residentKb(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed();
    return "?";
}

// The real server, 1,000 links from one program, polled every 250 ms.
bool serverFigures(quint16 port, const char* what, const QStringList& names)
{
    QTemporaryDir dir;
    QFile topics(dir.filePath(QStringLiteral("CommTopics.txt")));
    topics.open(QIODevice::WriteOnly);
    topics.write(QStringLiteral("PLC1\tLogix\t127.0.0.1\t%1\t1,0\t250\t2000\t\r\n").arg(port).toLatin1());
    topics.close();
    BenchServer server(QStringLiteral("driver"), {QStringLiteral("--topics"), topics.fileName()});
    if (!server.started())
        return false;
    QLocalSocket link;
    link.connectToServer(server.socket());
    if (!link.waitForConnected(3000))
        return false;
    for (qsizetype i = 0; i < names.size(); ++i)
        link.write(LinkProtocol::encodeLine(
            {QStringLiteral("ADVISE"), QString::number(i + 1), QStringLiteral("PLC1"), names[i]}));
    link.flush();
    runFor(2000);
    const double before = cpuSeconds(server.processId());
    QElapsedTimer t;
    t.start();
    runFor(5000);
    const double share = (cpuSeconds(server.processId()) - before) * 100000.0 / t.elapsed();
    std::printf("CommServer polling %s linked every 250 ms: %.1f%% of one core, resident %s\n", what, share,
                residentKb(server.processId()).constData());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (!PeerController::available()) {
        std::printf(
            "driver_bench: skipped, the controller simulator's sources are not beside this checkout\n");
        return 0;
    }
    const QStringList tags = items(QStringLiteral("T%1")), elements = items(QStringLiteral("Big[%1]"));
    QStringList args = {QStringLiteral("--plc=ControlLogix"), QStringLiteral("--path=1,0"),
                        QStringLiteral("--tag=Big:DINT[%1]").arg(Tags)};
    for (const QString& t : tags)
        args << QStringLiteral("--tag=%1:DINT[1]").arg(t);
    PeerController peer(args);
    if (!peer.start())
        return 1;

    pollFigures(peer.port(), "1,000 DINT tags", tags);
    QList<qsizetype> requestSizes;
    for (const QString& t : tags)
        requestSizes << LogixTag::read(LogixTag::parse(t)->path).size();
    std::printf(
        "  a controller taking Multiple Service Packets would need %lld round trips per cycle "
        "(4002-byte connection)\n",
        static_cast<long long>(Cip::packBatches(requestSizes, QList<qsizetype>(Tags, 10), 4002 - 64).size()));
    pollFigures(peer.port(), "1,000 elements of one DINT array", elements);

    return serverFigures(peer.port(), "1,000 DINT tags", tags) &&
                   serverFigures(peer.port(), "1,000 elements of one DINT array", elements)
               ? 0
               : 1;
}
