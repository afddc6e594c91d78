#include "CntrlDDE.h"
#include "LinkBox.h"
#include "LinkFixture.h"
#include "SharedVars.h"
#include "TempAppFolder.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using LinkFailureTest = LinkFixture;

TEST_F(LinkFailureTest, NoServerOrNoSuchApplicationIs282AndTheBoxStaysUnlinked)
{
    // The fixture's server is never started.
    LinkBox box;
    box.setText(QStringLiteral("old"));
    linkTo(box, QStringLiteral("N7:0"));
    Status s = box.setLinkMode(1);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().number, ErrNo::NoForeignApplication);
    EXPECT_EQ(box.LinkMode(), 0);
    EXPECT_EQ(box.Text(), QStringLiteral("old"));

    ASSERT_TRUE(server.start());
    for (const char* topic : {"Excel|Line1", "Line1", "RSLinx|", ""}) {
        box.LinkTopic = QString::fromLatin1(topic);
        s = box.setLinkMode(1);
        ASSERT_FALSE(s.ok()) << topic;
        EXPECT_EQ(s.error().number, ErrNo::NoForeignApplication) << topic;
    }
    box.LinkTopic = QStringLiteral("rslinx|Line1");
    EXPECT_TRUE(box.setLinkMode(1).ok());
    s = box.setLinkMode(2);
    EXPECT_FALSE(s.ok());
}

TEST_F(LinkFailureTest, SlowServerGives286WithinTheLinkTimeoutAndLateAnswersAreIgnored)
{
    server.setArgs({QStringLiteral("--no-rules"), QStringLiteral("--delay-ms"), QStringLiteral("600")});
    ASSERT_TRUE(server.start());
    LinkBox box, other;
    linkTo(box, QStringLiteral("N7:5"), 2);
    linkTo(other, QStringLiteral("N7:6"), 20);

    QElapsedTimer clock;
    clock.start();
    Status s = box.setLinkMode(1);
    const qint64 waited = clock.elapsed();
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().number, ErrNo::DdeTimeout);
    EXPECT_EQ(s.error().description, QStringLiteral("Timeout while waiting for DDE response"));
    EXPECT_GE(waited, 150);
    EXPECT_LT(waited, 550);
    EXPECT_EQ(box.LinkMode(), 0);

    // The late answer to the first advise arrives during this wait; it must not be taken for this one.
    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("N7:6"), QStringLiteral("66")), 0);
    ASSERT_TRUE(other.setLinkMode(1).ok());
    EXPECT_EQ(other.Text(), QStringLiteral("66"));
    EXPECT_EQ(LinkClient::instance().linkCount(), 1);

    // The abandoned link was given back: a change of N7:5 reaches no box.
    ASSERT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("N7:5"), QStringLiteral("55")), 0);
    QTest::qWait(100);
    EXPECT_NE(box.Text(), QStringLiteral("55"));

    other.LinkTimeout = 2;
    other.setText(QStringLiteral("7"));
    s = other.LinkPoke();
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().number, ErrNo::DdeTimeout);
}

TEST_F(LinkFailureTest, BoxDeletedWhileItsLinkWaitsIsNotTouchedAfterwards)
{
    server.setArgs({QStringLiteral("--no-rules"), QStringLiteral("--delay-ms"), QStringLiteral("200")});
    ASSERT_TRUE(server.start());
    auto* box = new LinkBox;
    linkTo(*box, QStringLiteral("N7:0"));
    // Window events run during the wait; one of them closes the page.
    QTimer::singleShot(50, box, [box] { delete box; });
    Status s = box->setLinkMode(1);
    ASSERT_FALSE(s.ok());
    EXPECT_NE(s.error().number, ErrNo::NoForeignApplication) << "the server was there all along";
    EXPECT_EQ(LinkClient::instance().linkCount(), 0);
}

TEST_F(LinkFailureTest, LoadRSLinxStartsTheServerBesideTheProgramsOrReportsWhyItCouldNot)
{
    TempAppFolder empty;
    SharedVars::Init_Paths(empty.path());
    Status s = CntrlDDE::Load_RSLinx();
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().number, ErrNo::FileNotFound);

    SharedVars::Init_Paths(LinkTestServer::binDir());
    EXPECT_EQ(CntrlDDE::serverProgram(), LinkTestServer::program());
    LinkBox box;
    linkTo(box, QStringLiteral("N7:20"));
    ASSERT_EQ(box.setLinkMode(1).error().number, ErrNo::NoForeignApplication);

    // Pages start it once per failed link; the extra starts must leave the first one serving.
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(CntrlDDE::Load_RSLinx().ok());
    EXPECT_LT(clock.elapsed(), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(serverAnswers(server.socket()), 5000);
    ASSERT_TRUE(box.setLinkMode(1).ok());
    box.setText(QStringLiteral("77"));
    ASSERT_TRUE(box.LinkPoke().ok());
    // A server that took the socket over would answer with its own empty store.
    QTest::qWait(500);
    EXPECT_EQ(server.get(QStringLiteral("Line1"), QStringLiteral("N7:20")), QStringLiteral("77"));
    EXPECT_TRUE(LinkClient::instance().isConnected());

    for (int i = 0; i < 3 && serverAnswers(server.socket()); ++i) {
        (void)server.control({QStringLiteral("--quit")});
        QTest::qWait(100);
    }
    EXPECT_FALSE(serverAnswers(server.socket()));
    SharedVars::Init_Paths(QString());
}
