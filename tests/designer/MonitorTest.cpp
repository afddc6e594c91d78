#include "CntrlGrid.h"
#include "LinkBox.h"
#include "LinkFixture.h"
#include "LinkRecovery.h"
#include "MarkGrid.h"
#include "Monitor.h"
#include "TempAppFolder.h"

#include <QCheckBox>
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
    EXPECT_EQ(monitor->monTopic(1)->LinkMode(), 0);
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

    // The server goes away: the value stays, greyed, until the link is back with the current one.
    server.kill();
    EXPECT_TRUE(QTest::qWaitFor([&] { return grid->cells().greyColumn() == Monitor::ValueColumn; }, 1000));
    EXPECT_EQ(value(2), QStringLiteral("22"));
    ASSERT_TRUE(server.start());
    server.set("Line1", "N7:2", "23");
    LinkRecovery::instance().Reconnect_Timer();
    EXPECT_EQ(value(2), QStringLiteral("23"));
    EXPECT_EQ(grid->cells().greyColumn(), -1);
}
