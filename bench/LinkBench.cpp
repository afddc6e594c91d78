// Times the link layer against the real CommServer: linking 1,000 value boxes, value changes carried from
// the server into value boxes (beside a plain local-socket echo of the same lines, timed in the same run),
// and the server's memory with 10 programs holding 1,000 links each.

#include "BenchServer.h"
#include "LinkBox.h"
#include "ProcessStats.h"
#include "LinkClient.h"
#include "LinkProtocol.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int Boxes = 1000;
constexpr int Changes = 50000;
constexpr int Programs = 10;

QString item(int i)
{
    return QStringLiteral("Bench_Value[%1]").arg(i);
}

void runUntil(const std::function<bool()>& done, int ms = 60000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

QByteArray dataLines(int n)
{
    QByteArray all;
    for (int i = 0; i < n; ++i)
        all += LinkProtocol::encodeLine(
            {QStringLiteral("DATA"), QStringLiteral("Bench"), item(i % Boxes), QString::number(i)});
    return all;
}

// Baseline: the same DATA lines sent through a local socket to an echo in this process and split again.
double echoSeconds(const QByteArray& lines, int count)
{
    QLocalServer server;
    const QString name = QStringLiteral("hmi-bench-echo-%1").arg(QCoreApplication::applicationPid());
    QLocalServer::removeServer(name);
    server.listen(name);
    QLocalSocket* echo = nullptr;
    QObject::connect(&server, &QLocalServer::newConnection, &server, [&] {
        echo = server.nextPendingConnection();
        QObject::connect(echo, &QLocalSocket::readyRead, echo, [&] { echo->write(echo->readAll()); });
    });
    QLocalSocket client;
    client.connectToServer(name);
    client.waitForConnected(2000);
    int received = 0;
    LinkProtocol::LineBuffer buffer;
    QObject::connect(&client, &QLocalSocket::readyRead, &client, [&] {
        buffer.append(client.readAll());
        QByteArray line;
        while (buffer.next(&line) == LinkProtocol::LineBuffer::Kind::Line)
            if (LinkProtocol::decodeLine(line).size() == 4)
                ++received;
    });
    QElapsedTimer t;
    t.start();
    client.write(lines);
    runUntil([&] { return received >= count; });
    return t.elapsed() / 1000.0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    BenchServer server(QStringLiteral("link"));
    if (!server.started()) {
        std::fprintf(stderr, "CommServer did not start\n");
        return 1;
    }
    const long rssIdle = ProcessStats::statusKb(server.processId(), "VmRSS:");

    // Linking a page of 1,000 boxes, all asked for at once as a page build does.
    std::vector<std::unique_ptr<LinkBox>> boxes;
    std::vector<LinkBox*> page;
    for (int i = 0; i < Boxes; ++i) {
        boxes.push_back(std::make_unique<LinkBox>(i));
        boxes.back()->LinkTopic = QStringLiteral("RSLinx|Bench");
        boxes.back()->LinkItem = item(i);
        page.push_back(boxes.back().get());
    }
    QElapsedTimer t;
    t.start();
    const QList<Status> linked = LinkBox::linkAll(page);
    for (int i = 0; i < Boxes; ++i)
        if (!linked[i].ok()) {
            std::fprintf(stderr, "link %d failed\n", i);
            return 1;
        }
    const double linkSeconds = t.elapsed() / 1000.0;

    // Value changes: another program pokes as fast as it can; the boxes count their changes.
    int changes = 0;
    for (auto& box : boxes)
        QObject::connect(box.get(), &LinkBox::Change, box.get(), [&changes] { ++changes; });
    QLocalSocket writer;
    writer.connectToServer(server.socket());
    writer.waitForConnected(2000);
    QByteArray pokes;
    for (int i = 0; i < Changes; ++i)
        pokes += LinkProtocol::encodeLine({QStringLiteral("POKE"), QString::number(i),
                                           QStringLiteral("Bench"), item(i % Boxes), QString::number(i + 1)});
    t.restart();
    writer.write(pokes);
    runUntil([&] { return changes >= Changes; });
    const double pushSeconds = t.elapsed() / 1000.0;
    const double echo = echoSeconds(dataLines(Changes), Changes);

    // Memory: 10 programs holding 1,000 links each.
    const long rssBefore = ProcessStats::statusKb(server.processId(), "VmRSS:");
    std::vector<std::unique_ptr<QLocalSocket>> programs;
    for (int p = 0; p < Programs; ++p) {
        auto s = std::make_unique<QLocalSocket>();
        s->connectToServer(server.socket());
        s->waitForConnected(2000);
        QByteArray advises;
        for (int i = 0; i < Boxes; ++i)
            advises += LinkProtocol::encodeLine(
                {QStringLiteral("ADVISE"), QString::number(i), QStringLiteral("Page%1").arg(p), item(i)});
        s->write(advises);
        s->flush();
        programs.push_back(std::move(s));
    }
    int answered = 0;
    runUntil([&] {
        for (auto& s : programs)
            answered += static_cast<int>(s->readAll().count('\n'));
        return answered >= Programs * Boxes;
    });
    const long rssLinks = ProcessStats::statusKb(server.processId(), "VmRSS:");

    std::printf("link 1,000 value boxes:             %8.3f s  (%.0f links/s)\n", linkSeconds,
                Boxes / linkSeconds);
    std::printf("value changes into value boxes:     %8.3f s  (%.0f changes/s, %d of %d arrived)\n",
                pushSeconds, changes / pushSeconds, changes, Changes);
    std::printf("plain local-socket echo, same lines:%8.3f s  (%.0f lines/s)  ratio %.1fx\n", echo,
                Changes / echo, pushSeconds / echo);
    std::printf(
        "server memory: idle %ld kB, with one page %ld kB, with %d programs x %d links %ld kB (+%ld kB)\n",
        rssIdle, rssBefore, Programs, Boxes, rssLinks, rssLinks - rssBefore);

    LinkClient::instance().disconnectFromServer();
    return changes >= Changes ? 0 : 1;
}
