// Times building a page of 1,000 topics: offline (the widgets and drawing alone, the baseline) and online
// against the real CommServer (every value box linked), in the same run.

#include "BenchServer.h"
#include "LinkClient.h"
#include "PageDisplay.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>

#include <cstdio>

namespace {

constexpr int Topics = 1000;

std::vector<TopicRecord> page()
{
    std::vector<TopicRecord> topics;
    for (int i = 0; i < Topics; ++i)
        topics.push_back({QStringLiteral("RSLinx|Bench"), QStringLiteral("N7:%1").arg(i),
                          QStringLiteral("Value %1").arg(i), i % 3 == 0, false, i % 5 == 0});
    return topics;
}

double timeBuild(PageDisplay& display, const std::vector<TopicRecord>& topics)
{
    QElapsedTimer t;
    t.start();
    display.LoadDDE(QStringLiteral("Bench"), topics, Topics);
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchServer server(QStringLiteral("display"));
    if (!server.started()) {
        std::fprintf(stderr, "CommServer did not start\n");
        return 1;
    }

    const std::vector<TopicRecord> topics = page();
    PageDisplay display;
    display.resize(1000, 800);
    display.show();
    const double offline = timeBuild(display, topics);
    display.onLine()->setChecked(true);
    display.OnLine_Click();
    const double online = timeBuild(display, topics);
    const double rebuild = timeBuild(display, topics);

    std::printf("page of %d topics, offline build (baseline): %8.1f ms\n", Topics, offline);
    std::printf("page of %d topics, online build and link:    %8.1f ms  ratio %.1fx\n", Topics, online,
                online / offline);
    std::printf("same page rebuilt online (relink):          %8.1f ms  ratio %.1fx\n", rebuild, rebuild / offline);

    LinkClient::instance().disconnectFromServer();
    return 0;
}
