#include "DrawSurface.h"
#include "LinkBox.h"
#include "LinkFixture.h"
#include "LinkRecovery.h"
#include "Messages.h"
#include "PageDisplay.h"
#include "TempAppFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QCheckBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace {

TopicRecord topic(const char* item, const char* description, bool readOnly, bool isBool = false)
{
    return {QStringLiteral("RSLinx|Line1"), QString::fromLatin1(item), QString::fromLatin1(description), readOnly,
            false, isBool};
}

const std::vector<TopicRecord> Page = {
    topic("N7:0", "Level", true),
    topic("N7:1", "Setpoint", false),
    topic("B3:0/0", "Pump running", false, true),
};

class PageDisplayTest : public LinkFixture {
protected:
    void SetUp() override
    {
        LinkFixture::SetUp();
        ASSERT_TRUE(server.start());
        display.resize(800, 600);
        display.show();
    }
    void goOnline()
    {
        display.onLine()->setChecked(true);
        display.OnLine_Click();
    }
    QString value(int i) const { return display.dataTopic(i)->text(); }
    bool waitFor(const std::function<bool()>& condition, int ms = 5000) { return QTest::qWaitFor(condition, ms); }
    // Types into value box i as an operator does: focus, keys, and Enter unless left open.
    void type(int i, const char* keys, bool enter = true)
    {
        display.activateWindow();
        QApplication::setActiveWindow(&display);
        display.dataTopic(i)->setFocus();
        ASSERT_TRUE(display.dataTopicOut(i)->isVisible());
        QTest::keyClicks(display.dataTopicOut(i), keys);
        if (enter)
            QTest::keyClick(display.dataTopicOut(i), Qt::Key_Return);
    }
    void restartServer(const QStringList& args)
    {
        server.kill();
        server.setArgs(args);
        ASSERT_TRUE(server.start());
    }

    TempAppFolder app;
    MessageRecorder messages;
    PageDisplay display;
};

} // namespace

TEST_F(PageDisplayTest, BuildsRowsAsLaidOutAndLinksWhenOnline)
{
    server.set("Line1", "N7:0", "5");
    goOnline();
    display.LoadDDE("Pump Station", Page, 3);

    ASSERT_EQ(display.elementCount(), 3);
    EXPECT_EQ(value(0), QStringLiteral("5")) << "the current value shows at once";
    EXPECT_EQ(display.dataTopic(1)->pos(), QPoint(24, 50));
    EXPECT_EQ(display.bitStat(2)->x(), 29);
    EXPECT_FALSE(display.bitStat(1)->isVisibleTo(&display));
    EXPECT_TRUE(display.bitStat(2)->isVisibleTo(&display));
    EXPECT_EQ(display.dataTopic(2)->textMargins().left(), display.bitStat(2)->geometry().right() + 1 - 24)
        << "a bit's value text stands beside its check box";
    EXPECT_EQ(display.dataTopic(1)->textMargins().left(), 0);
    EXPECT_FALSE(display.dataTopic(0)->isEnabled()) << "read-only";
    EXPECT_TRUE(display.dataTopic(1)->isEnabled());
    EXPECT_FALSE(display.dataTopic(2)->isEnabled()) << "bits are clicked, not typed";
    EXPECT_EQ(display.dataTopic(0)->palette().color(QPalette::Text), QColor(128, 0, 0));
    EXPECT_EQ(display.dataTopic(1)->palette().color(QPalette::Text), QColor(0, 64, 0));
    EXPECT_EQ(display.surface()->printed(), (QStringList{"Pump Station", "Level", "Setpoint", "Pump running"}));

    server.set("Line1", "N7:0", "42");
    EXPECT_TRUE(waitFor([&] { return value(0) == "42"; }));

    // Offline: links dropped, last values kept.
    display.ForceOffline();
    EXPECT_EQ(display.onLine()->text(), QStringLiteral("System Offline"));
    server.set("Line1", "N7:0", "43");
    QTest::qWait(100);
    EXPECT_EQ(value(0), QStringLiteral("42"));
    EXPECT_EQ(display.dataTopic(0)->LinkMode(), 0);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(PageDisplayTest, RebuildingClearsOldElementsAndEmptyPageLinksNothing)
{
    goOnline();
    display.LoadDDE("Three", Page, 3);
    display.LoadDDE("None", {TopicRecord{}}, 0);
    EXPECT_EQ(display.elementCount(), 1);
    EXPECT_EQ(display.dataTopic(0)->LinkMode(), 0);
    EXPECT_FALSE(display.dataTopic(0)->isVisibleTo(&display));
    EXPECT_EQ(display.surface()->printed(), QStringList{"None"});

    display.LoadDDE("One", {Page[1]}, 1);
    EXPECT_EQ(display.elementCount(), 1);
    EXPECT_EQ(display.dataTopic(0)->LinkMode(), 1);
}

TEST_F(PageDisplayTest, TypedValuesAreWrittenOnlyWhenNumericOnlineAndChanged)
{
    goOnline();
    display.LoadDDE("Edit", Page, 3);

    display.BeginValueEdit(1);
    QLineEdit* edit = display.dataTopicOut(1);
    EXPECT_TRUE(edit->isVisible());
    EXPECT_EQ(edit->selectedText(), value(1));
    edit->setText("17");
    display.DataTopicOut_KeyUp(1, 13);
    EXPECT_FALSE(edit->isVisible());
    EXPECT_EQ(server.get("Line1", "N7:1"), QStringLiteral("17"));
    EXPECT_EQ(value(1), QStringLiteral("17"));

    for (const char* notANumber : {"abc", "nan", "NaN", "inf", "-Inf", "+INF"}) {
        display.BeginValueEdit(1);
        edit->setText(notANumber);
        display.DataTopicOut_KeyUp(1, 13);
        EXPECT_EQ(server.get("Line1", "N7:1"), QStringLiteral("17")) << notANumber;
    }

    // Escape puts the live value back and keeps editing.
    display.BeginValueEdit(1);
    edit->setText("99");
    display.DataTopicOut_KeyUp(1, 27);
    EXPECT_EQ(edit->text(), QStringLiteral("17"));
    EXPECT_TRUE(edit->isVisible());

    // An empty entry is written as 0.
    edit->setText("");
    display.EndValueEdit(1);
    EXPECT_EQ(server.get("Line1", "N7:1"), QStringLiteral("0"));

    display.ForceOffline();
    display.BeginValueEdit(1);
    edit->setText("55");
    display.EndValueEdit(1);
    EXPECT_EQ(server.get("Line1", "N7:1"), QStringLiteral("0"));
    EXPECT_EQ(value(1), QStringLiteral("0"));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(PageDisplayTest, BitBoxesFollowValuesAndClicksWriteThem)
{
    std::vector<TopicRecord> bits = {topic("B3:0/0", "Run", false, true), topic("N7:5", "Mode", true, true)};
    goOnline();
    display.LoadDDE("Bits", bits, 2);
    // The poll that going online set off runs now, not in the middle of the changes below.
    display.PollTopics_Timer();

    server.set("Line1", "B3:0/0", "1");
    EXPECT_TRUE(waitFor([&] { return display.bitStat(0)->isChecked(); }));

    // A change takes any number from 1 as set; a poll only the text "1".
    server.set("Line1", "N7:5", "2");
    EXPECT_TRUE(waitFor([&] { return display.bitStat(1)->isChecked(); }));
    display.PollTopics_Timer();
    EXPECT_FALSE(display.bitStat(1)->isChecked());

    // A click writes a writable bit ...
    QTest::mouseClick(display.bitStat(0), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(server.get("Line1", "B3:0/0"), QStringLiteral("0"));
    // ... and snaps a read-only one back to its value.
    QTest::mouseClick(display.bitStat(1), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(display.bitStat(1)->isChecked());
    EXPECT_EQ(server.get("Line1", "N7:5"), QStringLiteral("2"));

    // Offline a click toggles the box only.
    display.ForceOffline();
    const bool before = display.bitStat(0)->isChecked();
    QTest::mouseClick(display.bitStat(0), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_NE(display.bitStat(0)->isChecked(), before);
    EXPECT_EQ(server.get("Line1", "B3:0/0"), QStringLiteral("0"));
}

TEST_F(PageDisplayTest, GoingOnlineWithNoTopicsStillPollsOnce)
{
    display.LoadDDE("Empty", {TopicRecord{}}, 0);
    goOnline();
    EXPECT_TRUE(display.SystemOnline);
    EXPECT_EQ(display.onLine()->text(), QStringLiteral("System Online"));
    EXPECT_EQ(display.onLine()->palette().color(QPalette::Window), QColor(128, 255, 128));
    EXPECT_TRUE(display.pollTopics()->isActive());
    display.PollTopics_Timer();
    EXPECT_FALSE(display.pollTopics()->isActive());
}

TEST_F(PageDisplayTest, TimeoutUnlinksTheWholePageWithOneMessage)
{
    restartServer({"--no-rules", "--delay-ms", "1500"});
    display.dataTopic(0)->LinkTimeout = 3;
    goOnline();
    display.LoadDDE("Slow", Page, 3);
    EXPECT_EQ(messages.texts(), QStringList{"A timeout has occured so the link has been disconnected."});
    for (int i = 0; i < display.elementCount(); ++i)
        EXPECT_EQ(display.dataTopic(i)->LinkMode(), 0);
}

TEST_F(PageDisplayTest, MissingServerIsReportedOncePerPageAndStarted)
{
    server.kill();
    goOnline();
    display.LoadDDE("Down", Page, 3);
    // The temporary application folder holds no server program, so starting it fails and says so, once.
    const QStringList texts = messages.texts();
    ASSERT_EQ(texts.size(), 2) << texts.join('\n').toStdString();
    EXPECT_EQ(texts[0], QStringLiteral("Loading RSLinx, you must refresh the page."));
    EXPECT_TRUE(texts[1].startsWith("Load_RSLinx: File not found")) << texts[1].toStdString();
    EXPECT_EQ(display.elementCount(), 3);

    // Going online starts it without a message of its own and abandons the rest.
    messages.clear();
    display.ForceOffline();
    display.PollTopics_Timer();
    display.onLine()->setChecked(true);
    display.OnLine_Click();
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith("Load_RSLinx: "));
    EXPECT_FALSE(display.pollTopics()->isActive());
    EXPECT_TRUE(display.SystemOnline);
}

TEST_F(PageDisplayTest, ScrollRangesFollowTheViewport)
{
    display.resize(400, 300);
    const int viewportHeight = display.viewport()->height();
    const int range = (1920 - viewportHeight) * 15 + 200;
    EXPECT_EQ(display.scrollV()->maximum(), range);
    EXPECT_EQ(display.scrollV()->singleStep(), qRound(range / 40.0));
    display.scrollV()->setValue(1500);
    EXPECT_EQ(display.surface()->y(), -100);
    display.resetScroll();
    EXPECT_EQ(display.surface()->y(), 0);
}

TEST_F(PageDisplayTest, EveryRowOfALongPageCanBeScrolledIntoView)
{
    std::vector<TopicRecord> many(120, topic("N7:0", "Row", false));
    display.LoadDDE("Long", many, 120);
    EXPECT_EQ(display.surface()->printed().size(), 121);
    display.scrollV()->setValue(display.scrollV()->maximum());
    const QRect last = display.dataTopic(119)->geometry().translated(display.surface()->pos());
    EXPECT_TRUE(display.viewport()->rect().contains(last));

    // A short page gives the surface its standard size back.
    display.LoadDDE("Short", {Page[1]}, 1);
    EXPECT_EQ(display.surface()->height(), 1920);
}

TEST_F(PageDisplayTest, EnterClosesTheEditWithoutOpeningTheNextBox)
{
    std::vector<TopicRecord> writable = {topic("N7:1", "First", false), topic("N7:2", "Second", false)};
    goOnline();
    display.LoadDDE("Typing", writable, 2);
    type(0, "31");
    EXPECT_FALSE(display.dataTopicOut(0)->isVisible());
    EXPECT_FALSE(display.dataTopicOut(1)->isVisible());
    EXPECT_EQ(server.get("Line1", "N7:1"), QStringLiteral("31"));

    // A value the server refuses: one poke, one message, the old value back.
    type(0, "99999");
    EXPECT_EQ(messages.texts().size(), 1) << messages.texts().join(" | ").toStdString();
    EXPECT_EQ(value(0), QStringLiteral("31"));
}

TEST_F(PageDisplayTest, ATimedOutWriteSaysItMayHaveLandedAndThenShowsTheServersValue)
{
    restartServer({"--no-rules", "--delay-ms", "400"});
    goOnline();
    display.LoadDDE("Slow", {topic("N7:1", "Setpoint", false)}, 1);
    ASSERT_EQ(display.dataTopic(0)->LinkMode(), 1);
    display.dataTopic(0)->LinkTimeout = 1;
    type(0, "17");
    EXPECT_EQ(messages.texts(),
              QStringList{"No answer within the time-out: the value may or may not have been written."});
    EXPECT_EQ(value(0), QStringLiteral("0"));
    EXPECT_TRUE(waitFor([&] { return value(0) == "17"; })) << "the server took it late";
    EXPECT_EQ(messages.texts().size(), 1);
}

TEST_F(PageDisplayTest, AnEditLeftOpenWhenThePageIsRebuiltIsClosedWithoutWriting)
{
    goOnline();
    display.LoadDDE("Edit", Page, 3);
    type(1, "55", false);
    display.LoadDDE("Edit", Page, 3);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(" | ").toStdString();
    EXPECT_EQ(server.get("Line1", "N7:1"), QStringLiteral("0"));
    for (int i = 0; i < display.elementCount(); ++i)
        EXPECT_FALSE(display.dataTopicOut(i)->isVisible());
}

TEST_F(PageDisplayTest, SwitchingPagesWhileLinksWaitLinksTheNewPageWithoutFalseAlarms)
{
    restartServer({"--no-rules", "--delay-ms", "300"});
    for (const char* item : {"N7:10", "N7:11", "N7:20", "N7:21"})
        server.set("Line1", item, QString::fromLatin1(item).mid(3));
    const std::vector<TopicRecord> pumps = {topic("N7:10", "Pump 1", false), topic("N7:11", "Pump 2", false)};
    const std::vector<TopicRecord> tanks = {topic("N7:20", "Tank 1", false), topic("N7:21", "Tank 2", false)};
    goOnline();
    auto showsTanksOnly = [&] {
        EXPECT_EQ(value(0), QStringLiteral("20"));
        EXPECT_EQ(value(1), QStringLiteral("21"));
        EXPECT_EQ(LinkClient::instance().linkCount(), 2);
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(" | ").toStdString();
    };

    // Tanks clicked while the first link of Pumps waits ...
    QTimer::singleShot(100, &display, [&] { display.LoadDDE("Tanks", tanks, 2); });
    display.LoadDDE("Pumps", pumps, 2);
    showsTanksOnly();

    // ... and while the answers are handed out, so the second box goes away before it takes its own.
    bool clicked = false;
    const auto connection = QObject::connect(display.dataTopic(0), &LinkBox::Change, &display, [&] {
        if (!clicked && value(0) == "10") {
            clicked = true;
            display.LoadDDE("Tanks", tanks, 2);
        }
    });
    display.LoadDDE("Pumps", pumps, 2);
    QObject::disconnect(connection);
    ASSERT_TRUE(clicked);
    showsTanksOnly();

    server.set("Line1", "N7:10", "12");
    QTest::qWait(400);
    EXPECT_EQ(value(0), QStringLiteral("20")) << "no link of Pumps is left";
}

TEST_F(PageDisplayTest, LostLinkMarksThePageAndRefusesWritesUntilTheLinkIsBack)
{
    server.set("Line1", "N7:1", "123");
    goOnline();
    display.LoadDDE("Pumps", Page, 3);
    ASSERT_EQ(value(1), QStringLiteral("123"));

    server.kill();
    auto allStale = [&](bool stale) {
        for (int i = 0; i < display.elementCount(); ++i)
            if (display.dataTopic(i)->isStale() != stale)
                return false;
        return true;
    };
    EXPECT_TRUE(waitFor([&] { return allStale(true); }, 1000));
    EXPECT_EQ(display.onLine()->text(), QStringLiteral("Link lost"));
    EXPECT_EQ(value(1), QStringLiteral("123"));

    // Typed and clicked writes are refused at once; nothing is kept to be written later.
    display.BeginValueEdit(1);
    display.dataTopicOut(1)->setText("5");
    display.EndValueEdit(1);
    EXPECT_EQ(value(1), QStringLiteral("123"));
    const bool bit = display.bitStat(2)->isChecked();
    QTest::mouseClick(display.bitStat(2), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(display.bitStat(2)->isChecked(), bit);
    EXPECT_EQ(messages.texts(), QStringList(2, "Not written: the link to the communication server is down."));

    ASSERT_TRUE(server.start());
    server.set("Line1", "N7:1", "25");
    LinkRecovery::instance().Reconnect_Timer();
    EXPECT_TRUE(allStale(false));
    EXPECT_EQ(value(1), QStringLiteral("25"));
    EXPECT_EQ(display.onLine()->text(), QStringLiteral("System Online"));
    EXPECT_EQ(server.get("Line1", "B3:0/0"), QStringLiteral("0"));
    EXPECT_EQ(messages.texts().size(), 2);
}

TEST_F(PageDisplayTest, APageAsksForAllItsLinksBeforeWaitingForTheFirstAnswer)
{
    restartServer({"--no-rules", "--delay-ms", "500"});
    std::vector<TopicRecord> rows;
    for (int i = 0; i < 12; ++i)
        rows.push_back({QStringLiteral("RSLinx|Line1"), QStringLiteral("N7:%1").arg(i), QStringLiteral("Row"), false,
                        false, false});
    goOnline();
    QElapsedTimer linking;
    linking.start();
    display.LoadDDE("Many", rows, 12);
    // One after the other the answers would take 12 delays.
    EXPECT_LT(linking.elapsed(), 4 * 500);
    for (int i = 0; i < display.elementCount(); ++i)
        EXPECT_EQ(display.dataTopic(i)->LinkMode(), 1) << i;
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(" | ").toStdString();
}
