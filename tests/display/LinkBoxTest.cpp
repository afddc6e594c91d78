#include "LinkBox.h"
#include "LinkFixture.h"

#include <QApplication>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QToolTip>
#include <QTest>

using LinkBoxTest = LinkFixture;

TEST_F(LinkBoxTest, AutomaticLinkShowsValueAtOnceThenEveryChangeToEveryBoxOfTheItem)
{
    ASSERT_TRUE(server.start());
    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("N7:1"), QStringLiteral("5")), 0);

    LinkBox a(3), b(4), other(5);
    linkTo(a, QStringLiteral("N7:1"));
    // Another spelling of the same address shares its value.
    linkTo(b, QStringLiteral("n7:01"));
    linkTo(other, QStringLiteral("N7:2"));
    QSignalSpy changes(&a, &LinkBox::Change);

    ASSERT_TRUE(a.setLinkMode(1).ok());
    EXPECT_EQ(a.LinkMode(), 1);
    EXPECT_EQ(a.Text(), QStringLiteral("5"));
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes.at(0).at(0).toInt(), 3);
    ASSERT_TRUE(b.setLinkMode(1).ok());
    ASSERT_TRUE(other.setLinkMode(1).ok());
    EXPECT_EQ(b.Text(), QStringLiteral("5"));
    EXPECT_EQ(other.Text(), QStringLiteral("0"));

    for (const char* v : {"7", "-12", "32767"}) {
        ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("N7:1"), QString::fromLatin1(v)), 0);
        QTRY_COMPARE_WITH_TIMEOUT(a.Text(), QString::fromLatin1(v), 3000);
        QTRY_COMPARE_WITH_TIMEOUT(b.Text(), QString::fromLatin1(v), 3000);
    }
    EXPECT_EQ(changes.size(), 4);
    EXPECT_EQ(other.Text(), QStringLiteral("0"));
    EXPECT_EQ(LinkClient::instance().linkCount(), 3);
}

TEST_F(LinkBoxTest, ModeZeroKeepsLastTextAndOtherLinksOfTheItemStayLive)
{
    ASSERT_TRUE(server.start());
    LinkBox a, b;
    linkTo(a, QStringLiteral("Tank_Level"));
    linkTo(b, QStringLiteral("Tank_Level"));
    ASSERT_TRUE(a.setLinkMode(1).ok());
    ASSERT_TRUE(b.setLinkMode(1).ok());
    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("Tank_Level"), QStringLiteral("41.5")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(a.Text(), QStringLiteral("41.5"), 3000);

    ASSERT_TRUE(a.setLinkMode(0).ok());
    EXPECT_EQ(a.LinkMode(), 0);
    EXPECT_EQ(a.Text(), QStringLiteral("41.5"));
    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("Tank_Level"), QStringLiteral("60")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(b.Text(), QStringLiteral("60"), 3000);
    EXPECT_EQ(a.Text(), QStringLiteral("41.5"));

    // Dropping the last box of an item stops its pushes; relinking fetches the current value again.
    ASSERT_TRUE(b.setLinkMode(0).ok());
    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("Tank_Level"), QStringLiteral("61")), 0);
    ASSERT_TRUE(a.setLinkMode(1).ok());
    EXPECT_EQ(a.Text(), QStringLiteral("61"));
    EXPECT_EQ(LinkClient::instance().linkCount(), 1);
}

TEST_F(LinkBoxTest, PokeIsStoredAndComesBackThroughTheLinksAfterThePokeReturned)
{
    ASSERT_TRUE(server.start());
    LinkBox writer, watcher;
    linkTo(writer, QStringLiteral("N7:1"));
    linkTo(watcher, QStringLiteral("N7:1"));
    ASSERT_TRUE(writer.setLinkMode(1).ok());
    ASSERT_TRUE(watcher.setLinkMode(1).ok());

    // The display guards its own writes with a flag that is down again once LinkPoke returns; the
    // server's stored form ("13" for "12.6") must arrive after that, or the display would ignore it.
    bool inPoke = false;
    QStringList seenDuringPoke, seenAfter;
    QObject::connect(&writer, &LinkBox::Change, &writer,
                     [&](int) { (inPoke ? seenDuringPoke : seenAfter) << writer.Text(); });
    inPoke = true;
    writer.setText(QStringLiteral("12.6"));
    const Status poked = writer.LinkPoke();
    inPoke = false;
    ASSERT_TRUE(poked.ok()) << poked.error().text().toStdString();
    QTRY_COMPARE_WITH_TIMEOUT(writer.Text(), QStringLiteral("13"), 3000);
    EXPECT_EQ(seenDuringPoke, QStringList{QStringLiteral("12.6")});
    EXPECT_EQ(seenAfter, QStringList{QStringLiteral("13")});
    QTRY_COMPARE_WITH_TIMEOUT(watcher.Text(), QStringLiteral("13"), 3000);
    EXPECT_EQ(server.get(QStringLiteral("Line1"), QStringLiteral("N7:1")), QStringLiteral("13"));

    // A bit takes any number; the server keeps 0 or 1.
    LinkBox bit;
    linkTo(bit, QStringLiteral("B3:0/1"));
    ASSERT_TRUE(bit.setLinkMode(1).ok());
    bit.setText(QStringLiteral("2"));
    ASSERT_TRUE(bit.LinkPoke().ok());
    QTRY_COMPARE_WITH_TIMEOUT(bit.Text(), QStringLiteral("1"), 3000);
}

TEST_F(LinkBoxTest, RefusedPokesAreReportedAndChangeNothing)
{
    ASSERT_TRUE(server.start());
    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("N7:1"), QStringLiteral("8")), 0);
    LinkBox box;
    linkTo(box, QStringLiteral("N7:1"));

    // Never linked: nothing is sent.
    box.setText(QStringLiteral("9"));
    Status s = box.LinkPoke();
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().number, 293);

    ASSERT_TRUE(box.setLinkMode(1).ok());
    for (const char* bad : {"abc", "40000", "", "1\t2"}) {
        box.setText(QString::fromLatin1(bad));
        s = box.LinkPoke();
        ASSERT_FALSE(s.ok()) << bad;
        EXPECT_EQ(s.error().number, 285) << bad;
        EXPECT_TRUE(s.error().description.startsWith(QLatin1String("Foreign application won't perform")))
            << bad;
    }
    EXPECT_EQ(server.get(QStringLiteral("Line1"), QStringLiteral("N7:1")), QStringLiteral("8"));
    // The link still works after the refusals.
    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("N7:1"), QStringLiteral("10")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(box.Text(), QStringLiteral("10"), 3000);
}

TEST_F(LinkBoxTest, ItemTheServerCannotParseLinksWithAServerErrorText)
{
    ASSERT_TRUE(server.start());
    LinkBox box;
    for (const char* item : {"X7:0", "N7:0/16", "T4:0", "2Tank", "Tank__Level", ""}) {
        linkTo(box, QString::fromLatin1(item));
        ASSERT_TRUE(box.setLinkMode(1).ok()) << item;
        EXPECT_TRUE(box.Text().startsWith(QLatin1String("Server error")))
            << item << " -> " << box.Text().toStdString();
    }
    // A box too narrow for the answer shows its beginning, and the whole of it as its tip.
    box.resize(60, box.height());
    box.setToolTip(QStringLiteral("Double Click to edit"));
    box.show();
    EXPECT_EQ(box.cursorPosition(), 0);
    QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), box.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&box, &hover);
    EXPECT_EQ(QToolTip::text(), box.Text() + QStringLiteral("\nDouble Click to edit"));
    // Text with TAB and line breaks survives the trip: string files take any text.
    linkTo(box, QStringLiteral("ST9:0"));
    ASSERT_TRUE(box.setLinkMode(1).ok());
    box.setText(QStringLiteral("a\tb\r\nc\\"));
    ASSERT_TRUE(box.LinkPoke().ok());
    EXPECT_EQ(server.get(QStringLiteral("Line1"), QStringLiteral("ST9:0")), QStringLiteral("a\tb\r\nc\\"));
}

TEST_F(LinkBoxTest, BoxesThatChangeLinksInsideTheirChangeHandlerDoNotUpsetDelivery)
{
    ASSERT_TRUE(server.start());
    auto* a = new LinkBox(0);
    LinkBox b(1);
    linkTo(*a, QStringLiteral("N7:4"));
    linkTo(b, QStringLiteral("N7:4"));
    ASSERT_TRUE(a->setLinkMode(1).ok());
    ASSERT_TRUE(b.setLinkMode(1).ok());
    // A page rebuild on a value change tears boxes down while the value is being handed out.
    QObject::connect(a, &LinkBox::Change, a, [a] { a->deleteLater(); });
    // Relinking from inside a push handler must get its answer, not wait out its time-out.
    b.LinkTimeout = 10;
    QList<int> relinks;
    QObject::connect(&b, &LinkBox::Change, &b, [&b, &relinks] {
        const Status s = b.setLinkMode(1);
        relinks << (s.ok() ? 0 : s.error().number);
    });
    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("N7:4"), QStringLiteral("3")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(b.Text(), QStringLiteral("3"), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(LinkClient::instance().linkCount(), 1, 3000);
    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("N7:4"), QStringLiteral("4")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(b.Text(), QStringLiteral("4"), 3000);
    EXPECT_EQ(relinks, (QList<int>{0, 0}));
}
