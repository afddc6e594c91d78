// The page display of the Windows build, linked over DDE to the DDE test server, which plays "RSLinx"
// under Wine from the server's fixed install path (run_wine_display_test.sh puts it there). No server runs
// when the program starts: the first test has the display start it. The tests run in order.
#include "LinkBackend.h"
#include "LinkBox.h"
#include "Messages.h"
#include "PageDisplay.h"
#include "RunError.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TopicRecord topic(const char* name, const char* item, const char* description, bool readOnly)
{
    const QString link = QStringLiteral("RSLinx|") + QLatin1String(name);
    return {link, QLatin1String(item), QLatin1String(description), readOnly, false, false};
}

// Rows 1 and 2 show the same item: a value written in one comes back to the other only from the server.
const std::vector<TopicRecord> Page = {
    topic("Line1", "N7:0", "Level", true),
    topic("Line1", "N7:1", "Setpoint", false),
    topic("LINE1", "n7:1", "Setpoint again", true),
    topic("Line2", "Ramp", "Counter", true),
};

constexpr int Wait = 20000; // generous: Wine starts programs slowly

class DdeDisplayTest : public ::testing::Test {
protected:
    DdeDisplayTest() { display.show(); }
    // As the operator ticks "Go Online".
    void goOnline()
    {
        display.onLine()->setChecked(true);
        display.OnLine_Click();
    }
    QString value(int row) const { return display.dataTopic(row)->text(); }
    static bool waitFor(const std::function<bool()>& condition, int ms = Wait)
    {
        return QTest::qWaitFor(condition, ms);
    }
    // Switches the test server through its control topic.
    static bool control(const char* item, const QString& value, int timeoutMs)
    {
        const QString name = QLatin1String(item);
        return LinkBackend::instance().poke(QStringLiteral("Control"), name, value, timeoutMs).ok();
    }
    static int linkError(const char* topicName, const char* item, qint16 timeout = 50)
    {
        LinkBox box;
        box.LinkTopic = QStringLiteral("RSLinx|") + QLatin1String(topicName);
        box.LinkItem = QLatin1String(item);
        box.LinkTimeout = timeout;
        const Status linked = box.setLinkMode(1);
        return linked ? 0 : linked.error().number;
    }

    MessageRecorder messages;
    PageDisplay display;
};

TEST_F(DdeDisplayTest, WithoutServerLinksFailWith282AndGoingOnlineStartsTheServer)
{
    EXPECT_EQ(linkError("Line1", "N7:0"), ErrNo::NoForeignApplication);

    // One row: each row that finds no server starts it once more.
    goOnline();
    display.LoadDDE("Pumps", {Page[0]}, 1);
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Loading RSLinx, you must refresh the page.")});
    // Started hidden from its fixed path and not waited for: it answers a little later.
    EXPECT_TRUE(waitFor([&] { return linkError("Line1", "N7:0") == 0; })) << "the server was not started";
}

TEST_F(DdeDisplayTest, PageLinksShowsPushedValuesAndWritesReachTheServer)
{
    goOnline();
    display.LoadDDE("Pumps", Page, static_cast<int>(Page.size()));
    ASSERT_EQ(display.elementCount(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(display.dataTopic(i)->LinkMode(), 1) << "row " << i;
    EXPECT_EQ(value(0), QStringLiteral("42")) << "the current value shows at once";

    const QString ramp = value(3);
    EXPECT_TRUE(waitFor([&] { return value(3) != ramp; })) << "pushed changes reach the value box";

    display.BeginValueEdit(1);
    display.dataTopicOut(1)->setText(QStringLiteral("17"));
    display.DataTopicOut_KeyUp(1, 13);
    EXPECT_EQ(value(1), QStringLiteral("17"));
    EXPECT_TRUE(waitFor([&] { return value(2) == QStringLiteral("17"); })) << "the server took the write";
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(DdeDisplayTest, SlowServerTimesOutWith286AndThePageDropsItsLinks)
{
    constexpr int Delay = 2000;
    ASSERT_TRUE(control("Delay", QString::number(Delay), 5000));
    EXPECT_EQ(linkError("Slow", "N7:0", 5), ErrNo::DdeTimeout);

    // Rows take the time-out of the first row.
    display.dataTopic(0)->LinkTimeout = 5;
    goOnline();
    display.LoadDDE("Slow", Page, static_cast<int>(Page.size()));
    EXPECT_EQ(messages.texts(),
              QStringList{QStringLiteral("A timeout has occured so the link has been disconnected.")});
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(display.dataTopic(i)->LinkMode(), 0) << "row " << i;
    // Waits behind the held answers.
    EXPECT_TRUE(control("Delay", QStringLiteral("0"), 4 * Delay));
}

TEST_F(DdeDisplayTest, ServerThatIsGoneGives282ToAWriteAndIsStartedAgain)
{
    goOnline();
    display.LoadDDE("Pumps", Page, static_cast<int>(Page.size()));
    LinkBox* box = display.dataTopic(1);
    ASSERT_EQ(box->LinkMode(), 1);
    const QString before = value(1);

    ASSERT_TRUE(control("Quit", QStringLiteral("1"), 5000));
    QTest::qWait(500);
    display.BeginValueEdit(1);
    display.dataTopicOut(1)->setText(QStringLiteral("5"));
    display.DataTopicOut_KeyUp(1, 13);
    // Reported as 282, unless the lost link was seen first and the box waits for the server.
    for (const QString& text : messages.texts())
        EXPECT_TRUE(text.endsWith(QStringLiteral(" 282"))) << text.toStdString();
    EXPECT_EQ(value(1), before) << "a write that did not arrive does not look written";
    // The lost link comes back by itself: the server is started again from its fixed path.
    EXPECT_TRUE(waitFor([&] { return box->LinkMode() == 1 && !box->isStale(); })) << "no link again";
}

} // namespace
