// 1,000 DINT tags of one Logix topic polled from the controller simulator: values read per second and
// round trips per poll cycle beside one request per tag, then CommServer's CPU share and memory while it
// polls them for linked programs.
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

QString tag(int i)
{
    return QStringLiteral("T%1").arg(i);
}

void runFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// One Read Tag per tag, each waited for: what a driver without batching does.
double oneRequestPerTag(quint16 port)
{
    PeerClient client(port, QStringLiteral("1,0"));
    qint64 done = 0;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < RunMs)
        for (int i = 0; i < Tags && client.ask(LogixTag::read(LogixTag::parse(tag(i))->path)); ++i)
            ++done;
    return done * 1000.0 / t.elapsed();
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (!PeerController::available()) {
        std::printf(
            "driver_bench: skipped, the controller simulator's sources are not beside this checkout\n");
        return 0;
    }
    QStringList args = {QStringLiteral("--plc=ControlLogix"), QStringLiteral("--path=1,0")};
    for (int i = 0; i < Tags; ++i)
        args << QStringLiteral("--tag=%1:DINT[1]").arg(tag(i));
    PeerController peer(args);
    if (!peer.start())
        return 1;

    const double single = oneRequestPerTag(peer.port());

    TopicConfig config;
    config.topic = QStringLiteral("PLC1");
    config.driver = TopicConfig::Driver::Logix;
    config.host = QStringLiteral("127.0.0.1");
    config.port = peer.port();
    config.path = QStringLiteral("1,0");
    config.intervalMs = 10;
    ValueStore store;
    QList<qsizetype> requestSizes;
    {
        LogixPoller poller(config, store);
        for (int i = 0; i < Tags; ++i) {
            poller.link(QStringLiteral("PLC1\t%1").arg(tag(i)), tag(i));
            requestSizes << LogixTag::read(LogixTag::parse(tag(i))->path).size();
        }
        poller.poll();
        runFor(RunMs);
        const TopicPoller::Stats& s = poller.stats();
        const double perSecond = s.values * 1000.0 / RunMs;
        std::printf("Logix topic, %d DINT tags, simulator: %.0f values/s in %lld cycles, %.1f round trips "
                    "per cycle\n",
                    Tags, perSecond, static_cast<long long>(s.cycles),
                    s.cycles ? static_cast<double>(s.requests) / s.cycles : 0.0);
        std::printf("  one request per tag, same simulator: %.0f values/s; ratio %.2f\n", single,
                    single > 0 ? perSecond / single : 0.0);
        std::printf("  a controller taking Multiple Service Packets would need %lld round trips per cycle "
                    "(4002-byte connection)\n",
                    static_cast<long long>(
                        Cip::packBatches(requestSizes, QList<qsizetype>(Tags, 10), 4002 - 64).size()));
    }

    // The real server, 1,000 links from one program.
    QTemporaryDir dir;
    QFile topics(dir.filePath(QStringLiteral("CommTopics.txt")));
    topics.open(QIODevice::WriteOnly);
    topics.write(
        QStringLiteral("PLC1\tLogix\t127.0.0.1\t%1\t1,0\t250\t2000\t\r\n").arg(peer.port()).toLatin1());
    topics.close();
    BenchServer server(QStringLiteral("driver"), {QStringLiteral("--topics"), topics.fileName()});
    if (!server.started())
        return 1;
    QLocalSocket link;
    link.connectToServer(server.socket());
    if (!link.waitForConnected(3000))
        return 1;
    for (int i = 0; i < Tags; ++i)
        link.write(LinkProtocol::encodeLine(
            {QStringLiteral("ADVISE"), QString::number(i + 1), QStringLiteral("PLC1"), tag(i)}));
    link.flush();
    runFor(2000);
    const double before = cpuSeconds(server.processId());
    QElapsedTimer t;
    t.start();
    runFor(5000);
    const double share = (cpuSeconds(server.processId()) - before) * 100000.0 / t.elapsed();
    std::printf("CommServer polling %d linked tags every 250 ms: %.1f%% of one core, resident %s\n", Tags,
                share, residentKb(server.processId()).constData());
    return 0;
}
