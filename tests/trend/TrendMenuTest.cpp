#include "LinkBox.h"
#include "PageDisplay.h"
#include "PopupMenu.h"
#include "TrendWindow.h"
#include "TrendWindows.h"

#include <QApplication>
#include <QContextMenuEvent>

#include <gtest/gtest.h>

namespace {

// Right-clicks value box i of the page and picks the named entry of its menu.
void pick(PageDisplay& page, int i, const char* action)
{
    LinkBox* box = page.dataTopic(i);
    QContextMenuEvent click(QContextMenuEvent::Mouse, {5, 5}, box->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(box, &click);
    pickFromPopup(action);
}

} // namespace

// "Trend" on a value box opens a window with its topic as the pen; "Add to trend" on a read-only (disabled)
// box adds its topic to that window.
TEST(TrendMenu, ValueBoxMenuOpensAndAddsToTheTrend)
{
    PageDisplay page;
    page.resize(800, 600);
    page.show();
    const std::vector<TopicRecord> topics{{"RSLinx|Line1", "N7:0", "Tank level", false, false, false},
                                          {"RSLinx|Line1", "N7:1", "Pump speed", true, true, false}};
    page.LoadDDE(QStringLiteral("Pumps"), topics, 2);
    ASSERT_FALSE(page.dataTopic(1)->isEnabled());

    pick(page, 0, "Trend");
    TrendWindow* window = TrendWindows::current();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->model().pens().size(), 1u);
    EXPECT_EQ(window->model().pens()[0].topic.key(), (history::SeriesKey{"Line1", "N7:0"}));
    EXPECT_EQ(window->model().pens()[0].topic.label(), QStringLiteral("Tank level (Line1 N7:0)"));

    pick(page, 1, "AddToTrend");
    EXPECT_EQ(TrendWindows::current(), window);
    ASSERT_EQ(window->model().pens().size(), 2u);
    EXPECT_EQ(window->model().pens()[1].topic.label(), QStringLiteral("Pump speed (Line1 N7:1)"));
    EXPECT_NE(window->model().pens()[1].colour, window->model().pens()[0].colour);
    window->close();
}
