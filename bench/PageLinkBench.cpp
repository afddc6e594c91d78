// Time for a page of 300 and of 1,000 tags of one Logix topic to come online against the controller
// simulator: the page built and linked as the viewer does, beside the same boxes linked one after the
// other (each link waiting for its answer before the next is asked), in the same run.
#include "BenchServer.h"
#include "LinkBox.h"
#include "LinkClient.h"
#include "PageDisplay.h"
#include "PeerController.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int MostTags = 1000;
constexpr int PollMs = 250;

std::vector<TopicRecord> page(int tags)
{
    std::vector<TopicRecord> rows;
    for (int i = 0; i < tags; ++i)
        rows.push_back({QStringLiteral("RSLinx|PLC1"), QStringLiteral("T%1").arg(i), QStringLiteral("Tag"),
                        false, false, false});
    return rows;
}

// Seconds until every box of the page holds the controller's value (the simulator's tags start at 0).
double pageSeconds(int tags)
{
    PageDisplay display;
    display.onLine()->setChecked(true);
    display.OnLine_Click();
    QElapsedTimer t;
    t.start();
    display.LoadDDE(QStringLiteral("Bench"), page(tags), tags);
    const double seconds = t.elapsed() / 1000.0;
    for (int i = 0; i < tags; ++i)
        if (display.dataTopic(i)->LinkMode() != 1 || display.dataTopic(i)->text() != QLatin1String("0"))
            return -1;
    display.ForceOffline();
    return seconds;
}

double oneAfterTheOtherSeconds(int tags)
{
    std::vector<std::unique_ptr<LinkBox>> boxes;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < tags; ++i) {
        boxes.push_back(std::make_unique<LinkBox>(i));
        boxes.back()->LinkTopic = QStringLiteral("RSLinx|PLC1");
        boxes.back()->LinkItem = QStringLiteral("T%1").arg(i);
        if (!boxes.back()->setLinkMode(1).ok())
            return -1;
    }
    return t.elapsed() / 1000.0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!PeerController::available()) {
        std::printf(
            "page_link_bench: skipped, the controller simulator's sources are not beside this checkout\n");
        return 0;
    }
    QStringList args = {QStringLiteral("--plc=ControlLogix"), QStringLiteral("--path=1,0")};
    for (int i = 0; i < MostTags; ++i)
        args << QStringLiteral("--tag=T%1:DINT[1]").arg(i);
    PeerController peer(args);
    if (!peer.start())
        return 1;
    QTemporaryDir dir;
    QFile topics(dir.filePath(QStringLiteral("CommTopics.txt")));
    topics.open(QIODevice::WriteOnly);
    topics.write(QStringLiteral("PLC1\tLogix\t127.0.0.1\t%1\t1,0\t%2\t2000\t\r\n")
                     .arg(peer.port())
                     .arg(PollMs)
                     .toLatin1());
    topics.close();
    BenchServer server(QStringLiteral("pagelink"), {QStringLiteral("--topics"), topics.fileName()});
    if (!server.started())
        return 1;

    bool ok = true;
    for (int tags : {300, MostTags}) {
        const double sequential = oneAfterTheOtherSeconds(tags);
        LinkClient::instance().disconnectFromServer();
        const double online = pageSeconds(tags);
        LinkClient::instance().disconnectFromServer();
        ok = ok && online >= 0 && sequential >= 0;
        std::printf(
            "page of %4d tags, one Logix topic, simulator: online in %.3f s (two poll cycles: %.3f s); "
            "linked one after the other: %.3f s, ratio %.1fx\n",
            tags, online, 2 * PollMs / 1000.0, sequential, online > 0 ? sequential / online : 0.0);
    }
    return ok ? 0 : 1;
}
