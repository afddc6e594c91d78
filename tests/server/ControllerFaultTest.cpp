// The drivers against controllers of our own that answer late, fail after opening, answer on the other
// connection id or another session, or stay silent.
#include "FakeController.h"
#include "LogixPoller.h"
#include "PeerController.h"
#include "ValueStore.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <optional>

namespace {

const QString Speed = QStringLiteral("PLC1\tSpeed");

TopicConfig fakeTopic(quint16 port, int timeoutMs, int intervalMs)
{
    TopicConfig config;
    config.topic = QStringLiteral("PLC1");
    config.host = QStringLiteral("127.0.0.1");
    config.port = port;
    config.timeoutMs = timeoutMs;
    config.intervalMs = intervalMs;
    return config;
}

// The last value the links were given of each item.
struct Links {
    explicit Links(ValueStore& store)
    {
        QObject::connect(&store, &ValueStore::changed, &store,
                         [this](const QString& key, const QString& value) { last.insert(key, value); });
    }
    QHash<QString, QString> last;
};

} // namespace

TEST(ControllerFaultTest, PokesBehindASlowControllerAnsweredWithinTheirTimeOutAndTheQueueBounded)
{
    FakeController fake;
    fake.replyDelayMs = 150;
    ValueStore store;
    LogixPoller poller(fakeTopic(fake.port(), 400, 3600000), store);
    // Linked and read once, so its type is known.
    poller.link(Speed, QStringLiteral("Speed"));
    poller.poll();
    ASSERT_TRUE(waitUntil([&] { return poller.stats().values > 0; }));

    struct Answer {
        bool ok;
        qint64 ms;
    };
    QList<std::optional<Answer>> answers(TopicPoller::MaxWrites + 8);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < answers.size(); ++i)
        poller.write(Speed, QStringLiteral("Speed"), QString::number(i + 1),
                     [&, i](bool ok, const QString&) { answers[i] = Answer{ok, clock.elapsed()}; });
    for (int i = TopicPoller::MaxWrites; i < answers.size(); ++i)
        EXPECT_TRUE(answers[i] && !answers[i]->ok) << "poke " << i << " beyond the bound is refused at once";

    ASSERT_TRUE(waitUntil([&] { return std::all_of(answers.begin(), answers.end(), [](auto& a) { return a; }); }));
    EXPECT_TRUE(answers[0]->ok);
    for (int i = 0; i < answers.size(); ++i)
        EXPECT_LT(answers[i]->ms, 400 + 150) << "poke " << i;
    // Those that could not be answered within their time-out never reach the controller.
    waitUntil([] { return false; }, 400);
    EXPECT_LE(fake.counts().writes, 3);
}

TEST(ControllerFaultTest, AControllerThatFailsAfterEveryGoodOpenIsTriedLessAndLessOften)
{
    FakeController fake;
    fake.reply = [](int, const QByteArray&) { return QByteArray(1, '\xcc'); };
    ValueStore store;
    LogixPoller poller(fakeTopic(fake.port(), 2000, 10), store);
    poller.controller().setPauses(20, 60000);
    poller.link(Speed, QStringLiteral("Speed"));
    poller.poll();
    waitUntil([] { return false; }, 1500);
    // Pauses of 20, 40, 80 ... ms: seven opens in 1.5 s, not one every 20 ms.
    EXPECT_GE(fake.counts().opens, 4);
    EXPECT_LE(fake.counts().opens, 8);
}

TEST(ControllerFaultTest, AConnectionTheControllerNoLongerKnowsIsOpenedAgain)
{
    FakeController fake;
    fake.reply = [&fake](int n, const QByteArray& request) {
        return fake.counts().opens == 1 && n >= 2 ? FakeController::failure(request, 0x01, 0x0107)
                                                  : fake.tagReply(request);
    };
    ValueStore store;
    Links links(store);
    LogixPoller poller(fakeTopic(fake.port(), 2000, 10), store);
    poller.controller().setPauses(20, 60000);
    poller.link(Speed, QStringLiteral("Speed"));
    poller.poll();
    ASSERT_TRUE(waitUntil([&] { return links.last.value(Speed).contains("connection not found"); }));
    EXPECT_TRUE(waitUntil([&] { return fake.counts().opens == 2 && links.last.value(Speed) == "0"; }));
}

TEST(ControllerFaultTest, AnIdleLinkedConnectionIsKeptAliveAndClosedOnPurposeWithoutLinks)
{
    FakeController fake;
    ValueStore store;
    LogixPoller poller(fakeTopic(fake.port(), 2000, 3600000), store);
    poller.controller().setPauses(1000, 100);
    poller.link(Speed, QStringLiteral("Speed"));
    poller.poll();
    ASSERT_TRUE(waitUntil([&] { return fake.counts().requests > 0; }));
    const int polled = fake.counts().requests;
    waitUntil([] { return false; }, 550);
    EXPECT_GE(fake.counts().requests - polled, 3) << "kept alive while the poll interval is long";

    poller.unlink(Speed);
    EXPECT_TRUE(waitUntil([&] { return fake.counts().closes == 1 && fake.counts().ended == 1; }));
    // A new link opens it again.
    poller.link(Speed, QStringLiteral("Speed"));
    poller.poll();
    EXPECT_TRUE(waitUntil([&] { return fake.counts().opens == 2; }));
}

TEST(ControllerFaultTest, RepliesOnTheRequestsIdTakenThoseOfAnotherSessionOrCountDropped)
{
    const QByteArray read = LogixTag::read(LogixTag::parse(QStringLiteral("Speed"))->path);
    {
        FakeController fake;
        fake.answerWithOtId = true;
        PeerClient client(fake.port(), QString());
        const auto reply = client.ask(read);
        EXPECT_TRUE(reply) << reply.error().description.toStdString();
    }
    {
        FakeController fake;
        fake.sessionSkew = 1;
        PeerClient client(fake.port(), QString());
        const auto reply = client.ask(read);
        ASSERT_FALSE(reply);
        EXPECT_TRUE(reply.error().description.contains("session")) << reply.error().description.toStdString();
    }
    {
        FakeController fake;
        fake.sequenceSkewFrom = 1;
        PeerClient client(fake.port(), QString());
        EXPECT_TRUE(client.ask(read));
        const auto reply = client.ask(read);
        ASSERT_FALSE(reply);
        EXPECT_TRUE(reply.error().description.contains("sequence count"))
            << reply.error().description.toStdString();
    }
}

TEST(ControllerFaultTest, AnItemReadForTheFirstTimeGoesAheadOfAPollOfEveryLinkedItem)
{
    FakeController fake;
    fake.replyDelayMs = 2;
    ValueStore store;
    LogixPoller poller(fakeTopic(fake.port(), 2000, 10), store);
    for (int i = 0; i < 300; ++i)
        poller.link(QStringLiteral("PLC1\tT%1").arg(i), QStringLiteral("T%1").arg(i));
    poller.poll();
    // Well into a cycle of one request per item.
    ASSERT_TRUE(waitUntil([&] { return fake.counts().requests > 400; }, 10000));

    const int asked = fake.counts().requests;
    int answered = -1;
    poller.read(QStringLiteral("PLC1\tNew"), QStringLiteral("New"),
                [&](const QString&) { answered = fake.counts().requests; });
    ASSERT_TRUE(waitUntil([&] { return answered >= 0; }, 10000));
    EXPECT_LE(answered - asked, 3);
}
