#include "LinkBox.h"
#include "LinkFixture.h"
#include "LinkRecovery.h"
#include "SharedVars.h"
#include "TempAppFolder.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>

using LinkRecoveryTest = LinkFixture;

TEST_F(LinkRecoveryTest, LostLinksShowTheirValuesAsNotCurrentUntilTheRestartedServerGivesTheCurrentOnes)
{
    TempAppFolder noServerHere;
    ASSERT_TRUE(server.start());
    LinkBox a, b;
    a.setToolTip(QStringLiteral("Double Click to edit"));
    linkTo(a, QStringLiteral("N7:0"));
    linkTo(b, QStringLiteral("N7:1"));
    ASSERT_TRUE(a.setLinkMode(1).ok());
    ASSERT_TRUE(b.setLinkMode(1).ok());
    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("N7:0"), QStringLiteral("123")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(a.Text(), QStringLiteral("123"), 3000);
    EXPECT_FALSE(a.isStale());

    LinkRecovery& recovery = LinkRecovery::instance();
    QSignalSpy states(&recovery, &LinkRecovery::linkStateChanged);
    server.kill();
    QTRY_VERIFY_WITH_TIMEOUT(a.isStale() && b.isStale(), 1000);
    EXPECT_EQ(a.Text(), QStringLiteral("123"));
    EXPECT_TRUE(a.font().strikeOut());
    EXPECT_EQ(a.palette().color(QPalette::Text), QColor(Qt::gray));
    EXPECT_TRUE(a.toolTip().contains(a.lastValueAt().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))))
        << a.toolTip().toStdString();
    EXPECT_TRUE(LinkRecovery::isLinkLost());
    ASSERT_EQ(states.size(), 1);
    EXPECT_TRUE(states[0][0].toBool());

    // A write cannot go anywhere, and nothing is kept to be written later.
    a.setText(QStringLiteral("7"));
    EXPECT_FALSE(a.LinkPoke().ok());
    a.setText(QStringLiteral("123"));

    // A link asked for meanwhile waits with the others instead of failing.
    LinkBox late;
    linkTo(late, QStringLiteral("N7:2"));
    EXPECT_TRUE(late.setLinkMode(1).ok());
    EXPECT_TRUE(late.isStale());

    // No server: each attempt waits longer, up to 5 s.
    QTimer* timer = recovery.reconnectTimer();
    EXPECT_TRUE(timer->isActive());
    QList<int> pauses{timer->interval()};
    for (int i = 0; i < 6; ++i) {
        recovery.Reconnect_Timer();
        pauses << timer->interval();
    }
    EXPECT_EQ(pauses, (QList<int>{250, 500, 1000, 2000, 4000, 5000, 5000}));
    EXPECT_TRUE(a.isStale());

    // The server comes back holding other values; the next attempt brings every box up to date.
    ASSERT_TRUE(server.start());
    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("N7:0"), QStringLiteral("25")), 0);
    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("N7:2"), QStringLiteral("9")), 0);
    recovery.Reconnect_Timer();
    EXPECT_FALSE(LinkRecovery::isLinkLost());
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(a.Text(), QStringLiteral("25"));
    EXPECT_EQ(late.Text(), QStringLiteral("9"));
    EXPECT_EQ(server.get(QStringLiteral("Line1"), QStringLiteral("N7:0")), QStringLiteral("25"));
    for (LinkBox* box : {&a, &b, &late}) {
        EXPECT_FALSE(box->isStale());
        EXPECT_EQ(box->LinkMode(), 1);
        EXPECT_FALSE(box->font().strikeOut());
    }
    EXPECT_EQ(a.toolTip(), QStringLiteral("Double Click to edit"));
    EXPECT_NE(a.palette().color(QPalette::Text), QColor(Qt::gray));
    ASSERT_EQ(states.size(), 2);
    EXPECT_FALSE(states[1][0].toBool());
    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("N7:1"), QStringLiteral("31")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(b.Text(), QStringLiteral("31"), 3000);
}

TEST_F(LinkRecoveryTest, AnAttemptThatFindsNoServerStartsOneAsALinkWould)
{
    ASSERT_TRUE(server.start());
    LinkBox box;
    linkTo(box, QStringLiteral("N7:3"));
    ASSERT_TRUE(box.setLinkMode(1).ok());
    server.kill();
    QTRY_VERIFY_WITH_TIMEOUT(box.isStale(), 1000);

    SharedVars::Init_Paths(LinkTestServer::binDir());
    LinkRecovery::instance().Reconnect_Timer();
    EXPECT_EQ(LinkRecovery::instance().reconnectTimer()->interval(), LinkRecovery::FirstPauseMs)
        << "a server just started is looked for again soon";
    QTRY_VERIFY_WITH_TIMEOUT(serverAnswers(server.socket()), 5000);
    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("N7:3"), QStringLiteral("33")), 0);
    LinkRecovery::instance().Reconnect_Timer();
    EXPECT_FALSE(LinkRecovery::isLinkLost());
    EXPECT_EQ(box.Text(), QStringLiteral("33"));

    // Closing on purpose is no loss: nothing is brought back.
    LinkClient::instance().disconnectFromServer();
    EXPECT_FALSE(LinkRecovery::isLinkLost());
    EXPECT_FALSE(box.isStale());
    (void)server.control({QStringLiteral("--quit")});
    QTRY_VERIFY_WITH_TIMEOUT(!serverAnswers(server.socket()), 3000);
    SharedVars::Init_Paths(QString());
}

TEST_F(LinkRecoveryTest, AServerThatStopsAnsweringIsTakenAsLostAndItsValuesComeBackWhenItAnswers)
{
    TempAppFolder noServerHere;
    ASSERT_TRUE(server.start());
    LinkBox box;
    linkTo(box, QStringLiteral("N7:4"));
    ASSERT_TRUE(box.setLinkMode(1).ok());
    LinkClient& client = LinkClient::instance();
    EXPECT_TRUE(client.pingTimer()->isActive());
    EXPECT_EQ(client.pingTimer()->interval(), LinkClient::PingIntervalMs);

    // Answered pings keep a quiet link alive: the second check pings, the third hears the answer.
    for (int i = 0; i < 3; ++i) {
        client.Ping_Timer();
        QTest::qWait(i == 1 ? 500 : 20);
    }
    ASSERT_FALSE(box.isStale());

    const qint64 pid = server.process().processId();
    ASSERT_EQ(::kill(static_cast<pid_t>(pid), SIGSTOP), 0);
    for (int i = 0; i < 3 && !box.isStale(); ++i)
        client.Ping_Timer();
    const bool lost = box.isStale() && LinkRecovery::isLinkLost();
    ASSERT_EQ(::kill(static_cast<pid_t>(pid), SIGCONT), 0);
    ASSERT_TRUE(lost) << "a silent server is noticed within three checks";
    EXPECT_TRUE(box.font().strikeOut());

    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("N7:4"), QStringLiteral("44")), 0);
    LinkRecovery::instance().Reconnect_Timer();
    EXPECT_FALSE(LinkRecovery::isLinkLost());
    EXPECT_FALSE(box.isStale());
    EXPECT_EQ(box.Text(), QStringLiteral("44"));
}

TEST_F(LinkRecoveryTest, LastValueAtIsWhenTheLinkLastConfirmedTheValueNotWhenItLastChanged)
{
    TempAppFolder noServerHere;
    ASSERT_TRUE(server.start());
    LinkBox steady, moving;
    linkTo(steady, QStringLiteral("N7:5"));
    linkTo(moving, QStringLiteral("N7:6"));
    ASSERT_TRUE(steady.setLinkMode(1).ok());
    ASSERT_TRUE(moving.setLinkMode(1).ok());
    QTest::qWait(30);
    const QDateTime confirmed = QDateTime::currentDateTime();
    // The connection carries news of another item: the steady value is still the server's.
    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("N7:6"), QStringLiteral("6")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(moving.Text(), QStringLiteral("6"), 3000);
    server.kill();
    QTRY_VERIFY_WITH_TIMEOUT(steady.isStale(), 1000);
    EXPECT_GE(steady.lastValueAt(), confirmed);
}
