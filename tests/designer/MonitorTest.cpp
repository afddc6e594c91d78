#include "CntrlGrid.h"
#include "LinkBox.h"
#include "LinkFixture.h"
#include "LinkRecovery.h"
#include "MarkGrid.h"
#include "Monitor.h"
#include "TagGrid.h"
#include "TempAppFolder.h"

#include <QCheckBox>
#include <QImage>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

class MonitorTest : public LinkFixture {
protected:
    void SetUp() override
    {
        LinkFixture::SetUp();
        ASSERT_TRUE(server.start());
        window.resize(600, 300);
        grid = new MarkGrid(&window);
        grid->setGeometry(0, 0, 600, 300);
        // Drawn as the designer's tag list draws.
        PLCTagHandler::Init_Tag_Grid(grid);
        button = new QPushButton("&Monitor", &window);
        autoSelect = new QCheckBox("&Auto Select", &window);
        autoSelect->setEnabled(false);
        monitor = new Monitor(grid, button, autoSelect, &window);
        window.show();
    }
    void fill(int rows)
    {
        grid->cells().setShape(rows + 1, 5);
        for (int r = 1; r <= rows; ++r) {
            grid->cells().setText(r, 0, " ");
            grid->cells().setText(r, 2, QStringLiteral("N7:%1").arg(r));
        }
        monitor->ClearMonitorLinks();
        monitor->BuildMonitorLinks("Line1", QString());
        monitor->RefreshMonitorLinks(0);
    }
    void mark(int row, bool on) { grid->cells().setText(row, 0, on ? "  " : " "); }
    QString value(int row) const { return grid->cell(row, Monitor::ValueColumn); }
    bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 5000); }
    struct Ink {
        int darkest = 255; // lightness of the darkest text pixel
        bool struck = false; // some pixel row is inked from the text's left end to its right end
    };
    // The text of a value cell as drawn on the screen.
    Ink inkOf(int row) const
    {
        const QRect cell = grid->visualRect(grid->model()->index(row - 1, Monitor::ValueColumn));
        const QImage image = grid->viewport()->grab(cell.adjusted(1, 1, -2, -2)).toImage();
        const int paper = image.pixelColor(0, 0).lightness();
        const auto inked = [&](int x, int y) { return image.pixelColor(x, y).lightness() < paper - 40; };
        Ink ink;
        int left = image.width(), right = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (inked(x, y)) {
                    ink.darkest = std::min(ink.darkest, image.pixelColor(x, y).lightness());
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        for (int y = 0; y < image.height() && right >= 0 && !ink.struck; ++y) {
            int x = left;
            while (x <= right && inked(x, y))
                ++x;
            ink.struck = x > right;
        }
        return ink;
    }

    TempAppFolder app;
    QWidget window;
    MarkGrid* grid = nullptr;
    QPushButton* button = nullptr;
    QCheckBox* autoSelect = nullptr;
    Monitor* monitor = nullptr;
};

} // namespace

TEST_F(MonitorTest, HeaderOnlyGridLinksNothing)
{
    fill(0);
    monitor->ToggleMonitor();
    EXPECT_EQ(monitor->FirstMonitoredRow, 0);
    EXPECT_EQ(monitor->LastMonitoredRow, 0);
    EXPECT_EQ(monitor->linkedCount(), 0);
}

TEST_F(MonitorTest, OnlyMarkedRowsAreLinkedAndUnmarkingClearsOneRow)
{
    fill(5);
    monitor->ToggleMonitor();
    EXPECT_EQ(button->text(), QStringLiteral("Go Offline"));
    EXPECT_TRUE(autoSelect->isEnabled());
    EXPECT_EQ(monitor->linkedCount(), 0) << "nothing marked, nothing linked";

    server.set("Line1", "N7:2", "22");
    server.set("Line1", "N7:4", "44");
    mark(2, true);
    mark(4, true);
    monitor->RefreshMonitorLinks(2);
    monitor->RefreshMonitorLinks(4);
    EXPECT_EQ(monitor->linkedCount(), 2);
    EXPECT_EQ(value(2), QStringLiteral("22"));
    EXPECT_EQ(value(4), QStringLiteral("44"));

    mark(2, false);
    monitor->RefreshMonitorLinks(2);
    EXPECT_EQ(value(2), QString());
    EXPECT_EQ(monitor->monTopic(2)->LinkMode(), 0);
    server.set("Line1", "N7:4", "45");
    EXPECT_TRUE(waitFor([&] { return value(4) == "45"; }));

    // Off: links dropped, the last value stays.
    monitor->ToggleMonitor();
    EXPECT_EQ(button->text(), QStringLiteral("Monitor"));
    EXPECT_FALSE(autoSelect->isEnabled());
    EXPECT_EQ(monitor->linkedCount(), 0);
    EXPECT_EQ(value(4), QStringLiteral("45"));
}

TEST_F(MonitorTest, ScrollingRelinksOnlyVisibleRows)
{
    fill(200);
    CntrlGrid::Select_All_Rows(grid);
    monitor->ToggleMonitor();
    const int first = monitor->FirstMonitoredRow;
    const int last = monitor->LastMonitoredRow;
    EXPECT_EQ(first, 1);
    EXPECT_GT(last, 3);
    EXPECT_LT(last, 200);
    EXPECT_EQ(monitor->linkedCount(), last - first + 1);

    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    monitor->RefreshMonitorLinks(0);
    EXPECT_EQ(monitor->LastMonitoredRow, 200);
    EXPECT_EQ(monitor->monTopic(1)->LinkMode(), 0);
    EXPECT_EQ(value(1), QString());
    EXPECT_EQ(monitor->monTopic(200)->LinkMode(), 1);
    EXPECT_EQ(monitor->linkedCount(), monitor->LastMonitoredRow - monitor->FirstMonitoredRow + 1);
}

TEST_F(MonitorTest, ServerErrorShowsQuestionMarkAndProgramScopeComposesItem)
{
    grid->cells().setShape(3, 5);
    grid->cells().setText(1, 2, "not an address!");
    grid->cells().setText(2, 2, "Pump_Speed");
    mark(1, true);
    mark(2, true);
    monitor->BuildMonitorLinks("Line1", "MainProgram");
    monitor->ToggleMonitor();
    EXPECT_EQ(value(1), QStringLiteral("?"));
    const QModelIndex questioned = grid->model()->index(0, Monitor::ValueColumn);
    EXPECT_TRUE(questioned.data(Qt::ToolTipRole).toString().startsWith("Server error")) << "the server says why";
    EXPECT_EQ(monitor->monTopic(2)->LinkItem, QStringLiteral("Program:MainProgram.Pump_Speed"));
    server.set("Line1", "Program:MainProgram.Pump_Speed", "1200");
    EXPECT_TRUE(waitFor([&] { return value(2) == "1200"; }));
}

TEST_F(MonitorTest, ARelinkedRowShowsItsValueAtOnceAndALostLinkComesBackCurrent)
{
    fill(200);
    monitor->ToggleMonitor();
    server.set("Line1", "N7:2", "22");
    mark(2, true);
    monitor->RefreshMonitorLinks(2);
    ASSERT_EQ(value(2), QStringLiteral("22"));

    // Unticked and ticked again, or scrolled away and back: the unchanged value shows at once.
    mark(2, false);
    monitor->RefreshMonitorLinks(2);
    ASSERT_EQ(value(2), QString());
    mark(2, true);
    monitor->RefreshMonitorLinks(2);
    EXPECT_EQ(value(2), QStringLiteral("22"));
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    monitor->RefreshMonitorLinks(0);
    ASSERT_EQ(value(2), QString());
    grid->verticalScrollBar()->setValue(0);
    monitor->RefreshMonitorLinks(0);
    EXPECT_EQ(value(2), QStringLiteral("22"));

    // The server goes away: the value stays, grey and struck through as on a page, until the link is back
    // with the current one.
    server.set("Line1", "N7:1", "808");
    mark(1, true);
    monitor->RefreshMonitorLinks(1);
    ASSERT_EQ(value(1), QStringLiteral("808"));
    const Ink live = inkOf(1);
    EXPECT_LT(live.darkest, 100);
    EXPECT_FALSE(live.struck);
    server.kill();
    EXPECT_TRUE(QTest::qWaitFor([&] { return inkOf(1).darkest > 140; }, 1000)) << inkOf(1).darkest;
    EXPECT_TRUE(inkOf(1).struck);
    const auto tip = [&] { return grid->model()->index(0, Monitor::ValueColumn).data(Qt::ToolTipRole).toString(); };
    EXPECT_TRUE(waitFor([&] { return tip().startsWith("Not current"); })) << "the box's tip, as on a page";
    EXPECT_EQ(value(2), QStringLiteral("22"));
    ASSERT_TRUE(server.start());
    server.set("Line1", "N7:2", "23");
    LinkRecovery::instance().Reconnect_Timer();
    EXPECT_EQ(value(2), QStringLiteral("23"));
    EXPECT_LT(inkOf(1).darkest, 100);
    EXPECT_FALSE(inkOf(1).struck);
    EXPECT_TRUE(waitFor([&] { return tip().isEmpty(); }));
}
