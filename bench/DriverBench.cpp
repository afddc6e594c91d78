// Pokes behind a slow controller of our own: how many answered within their time-out. Then 1,000 DINT tags
// of one Logix topic polled from the controller simulator, then 1,000 elements of one DINT array: values read
// per second and round trips per poll cycle beside a bare client asking one tag at a time, taking turns in
// the same run; then CommServer's CPU share and memory while it polls them for linked programs.
#include "BenchServer.h"
#include "Cip.h"
#include "FakeController.h"
#include "LinkProtocol.h"
#include "LogixPoller.h"
#include "PeerController.h"
#include "ProcessStats.h"
#include "ValueStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int Tags = 1000;
// Turns of each side, and how long each turn polls.
constexpr int Turns = 4;
constexpr int TurnMs = 1000;

QStringList items(const QString& form)
{
    QStringList out;
    for (int i = 0; i < Tags; ++i)
        out << form.arg(i);
    return out;
}

// Serves the event loop, sleeping while nothing happens: a busy loop would take the core the simulator needs.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// One Read Tag per item, each waited for: a bare client without batching. Values read in `ms`.
qint64 oneRequestEach(quint16 port, const QStringList& names, int ms)
{
    PeerClient client(port, QStringLiteral("1,0"));
    qint64 done = 0;
    QElapsedTimer t;
    t.start();
    for (qsizetype i = 0; t.elapsed() < ms; i = (i + 1) % names.size())
        done += client.ask(LogixTag::read(LogixTag::parse(names[i])->path)) ? 1 : 0;
    return done;
}

TopicConfig topic(quint16 port)
{
    TopicConfig config;
    config.topic = QStringLiteral("PLC1");
    config.driver = TopicConfig::Driver::Logix;
    config.host = QStringLiteral("127.0.0.1");
    config.port = port;
    config.path = QStringLiteral("1,0");
    // Shorter than a cycle: the next cycle starts as soon as one is done, so the round trips set the pace.
    config.intervalMs = 10;
    return config;
}

// The driver polling the items as fast as the simulator answers, beside one request per item. The two take
// turns (the simulator serves one client at a time), so a change in the machine's load meets both.
void pollFigures(quint16 port, const char* what, const QStringList& names)
{
    qint64 single = 0;
    TopicPoller::Stats total;
    for (int turn = 0; turn < Turns; ++turn) {
        single += oneRequestEach(port, names, TurnMs);
        ValueStore store;
        LogixPoller poller(topic(port), store);
        for (const QString& name : names)
            poller.link(QStringLiteral("PLC1\t") + name, name);
        poller.poll();
        runFor(TurnMs);
        total.values += poller.stats().values;
        total.cycles += poller.stats().cycles;
        total.requests += poller.stats().requests;
    }
    const double perSecond = total.values * 1000.0 / (Turns * TurnMs);
    const double bare = single * 1000.0 / (Turns * TurnMs);
    std::printf("Logix topic, %s, simulator: %.0f values/s in %lld cycles, %.1f round trips per cycle\n",
                what, perSecond, static_cast<long long>(total.cycles),
                total.cycles ? static_cast<double>(total.requests) / total.cycles : 0.0);
    std::printf("  bare client, one request per item, in turns with it: %.0f values/s; ratio %.2f\n", bare,
                bare > 0 ? perSecond / bare : 0.0);
}

// 40 pokes, 10 a second, to a controller that answers each request after 1.5 s; the topic's time-out is 2 s.
void pokeFigures()
{
    FakeController slow;
    slow.replyDelayMs = 1500;
    TopicConfig config = topic(slow.port());
    config.intervalMs = 3600000;
    config.timeoutMs = 2000;
    ValueStore store;
    LogixPoller poller(config, store);
    const QString key = QStringLiteral("PLC1\tSpeed");
    poller.link(key, QStringLiteral("Speed"));
    poller.poll();
    waitUntil([&poller] { return poller.stats().values > 0; }, 5000);
    int written = 0, refused = 0, late = 0; // late: answered more than 50 ms after the time-out
    qint64 slowest = 0;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 40; ++i) {
        const qint64 asked = clock.elapsed();
        poller.write(key, QStringLiteral("Speed"), QString::number(i), [&, asked](bool ok, const QString&) {
            const qint64 took = clock.elapsed() - asked;
            (ok ? written : refused) += 1;
            late += took > config.timeoutMs + 50 ? 1 : 0;
            slowest = qMax(slowest, took);
        });
        runFor(100);
    }
    waitUntil([&] { return written + refused == 40; }, 10000);
    std::printf("40 pokes at 10/s behind a controller answering after 1.5 s (2 s time-out): %d written, %d "
                "answered as not written, %d answered late, slowest answer %lld ms; the "
                "controller received %d writes\n",
                written, refused, late, static_cast<long long>(slowest), slow.counts().writes);
}

// Answers to the ADVISEs, each line waited for up to 5 s.
qint64 advisesAnswered(QLocalSocket& link, qsizetype expected)
{
    LinkProtocol::LineBuffer lines;
    qint64 answers = 0;
    QByteArray line;
    while (answers < expected) {
        while (lines.next(&line) == LinkProtocol::LineBuffer::Kind::Line)
            answers += LinkProtocol::decodeLine(line).value(0) == QLatin1String("OK") ? 1 : 0;
        if (answers < expected && !link.waitForReadyRead(5000))
            break;
        lines.append(link.readAll());
    }
    return answers;
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
    QElapsedTimer linking;
    linking.start();
    for (qsizetype i = 0; i < names.size(); ++i)
        link.write(LinkProtocol::encodeLine(
            {QStringLiteral("ADVISE"), QString::number(i + 1), QStringLiteral("PLC1"), names[i]}));
    link.flush();
    const qint64 answered = advisesAnswered(link, names.size());
    std::printf("CommServer: %lld ADVISEs sent at once answered in %lld ms\n", static_cast<long long>(answered),
                static_cast<long long>(linking.elapsed()));
    runFor(2000);
    const double before = ProcessStats::cpuSeconds(server.processId());
    QElapsedTimer t;
    t.start();
    runFor(5000);
    const double share = (ProcessStats::cpuSeconds(server.processId()) - before) * 100000.0 / t.elapsed();
    std::printf("CommServer polling %s linked every 250 ms: %.1f%% of one core, resident %ld kB\n", what, share,
                ProcessStats::statusKb(server.processId(), "VmRSS:"));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    pokeFigures();
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
