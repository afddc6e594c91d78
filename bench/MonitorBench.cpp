// Monitoring a 5,000-row tag grid with every row marked while it scrolls from top to bottom, page by page,
// against the real CommServer: links open at any time, links opened per scroll step, and refresh times.

#include "BenchServer.h"
#include "LinkClient.h"
#include "LinkBox.h"
#include "MarkGrid.h"
#include "Monitor.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <set>

namespace {

constexpr int Rows = 5000;

std::set<int> linkedRows(const Monitor& monitor)
{
    std::set<int> rows;
    for (int r = 1; r <= Rows; ++r)
        if (const LinkBox* box = monitor.monTopic(r); box && box->LinkMode() == 1)
            rows.insert(r);
    return rows;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchServer server(QStringLiteral("monitor"));
    if (!server.started()) {
        std::fprintf(stderr, "CommServer did not start\n");
        return 1;
    }

    QWidget window;
    window.resize(800, 600);
    auto* grid = new MarkGrid(&window);
    grid->setGeometry(0, 0, 800, 600);
    auto* button = new QPushButton(&window);
    auto* autoSelect = new QCheckBox(&window);
    Monitor monitor(grid, button, autoSelect, &window);
    grid->cells().setShape(1, 5);
    std::vector<QStringList> rows;
    for (int r = 1; r <= Rows; ++r)
        rows.push_back({QStringLiteral("  "), QString::number(r), QStringLiteral("N7:%1").arg(r % 256), QString(), QString()});
    grid->cells().setRows(std::move(rows));
    window.show();
    monitor.BuildMonitorLinks(QStringLiteral("Bench"), QString());

    QElapsedTimer t;
    t.start();
    monitor.ToggleMonitor();
    const double firstRefresh = static_cast<double>(t.nsecsElapsed()) / 1e6;

    QScrollBar* bar = grid->verticalScrollBar();
    int steps = 0;
    size_t maxLinked = 0;
    long relinks = 0;
    double total = 0, slowest = 0;
    std::set<int> before = linkedRows(monitor);
    while (bar->value() < bar->maximum()) {
        bar->setValue(std::min(bar->maximum(), bar->value() + bar->pageStep()));
        t.restart();
        monitor.RefreshMonitorLinks(0);
        const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
        const std::set<int> after = linkedRows(monitor);
        for (int r : after)
            relinks += before.count(r) ? 0 : 1;
        maxLinked = std::max(maxLinked, after.size());
        before = after;
        total += ms;
        slowest = std::max(slowest, ms);
        ++steps;
    }
    const int visible = monitor.LastMonitoredRow - monitor.FirstMonitoredRow + 1;
    std::printf("grid of %d marked rows, %d rows visible\n", Rows, visible);
    std::printf("first refresh (monitor on):          %8.1f ms\n", firstRefresh);
    std::printf("scroll steps (one page each):        %8d\n", steps);
    std::printf("links open at most:                  %8zu  (ratio to visible rows %.2f)\n", maxLinked,
                static_cast<double>(maxLinked) / visible);
    std::printf("links opened per scroll step:        %8.1f\n", static_cast<double>(relinks) / steps);
    std::printf("refresh per scroll step: mean %.1f ms, slowest %.1f ms\n", total / steps, slowest);

    LinkClient::instance().disconnectFromServer();
    return 0;
}
