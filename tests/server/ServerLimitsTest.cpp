#include "LinkTestServer.h"
#include "RawClient.h"
#include "ValueStore.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <sys/resource.h>

TEST(ServerLimitsTest, RunningOutOfFileDescriptorsLeavesTheServerListeningUntilSomeAreFree)
{
    LinkTestServer server;
    // A soft limit below the hard one, as a login shell leaves it; the server takes the hard one.
    server.process().setChildProcessModifier([] {
        const rlimit limit{40, 90};
        ::setrlimit(RLIMIT_NOFILE, &limit);
    });
    ASSERT_TRUE(server.start());

    std::vector<std::unique_ptr<RawClient>> clients;
    for (int i = 0; i < 120; ++i) {
        clients.push_back(std::make_unique<RawClient>(server.socket()));
        clients.back()->send({QStringLiteral("PING"), QString::number(i)});
    }
    int answered = 0;
    for (auto& c : clients)
        answered += c->next(answered < 40 ? 3000 : 20).value(0) == QLatin1String("OK");
    EXPECT_GT(answered, 50) << "the soft limit was raised";
    EXPECT_LT(answered, 90);

    // Descriptors come free: waiting connections are taken, and new ones too.
    clients.clear();
    RawClient late(server.socket());
    ASSERT_TRUE(late.connected());
    EXPECT_EQ(late.ask({QStringLiteral("PING"), QStringLiteral("late")}).value(0), QStringLiteral("OK"));
    server.kill();
    EXPECT_EQ(server.process().readAllStandardError().count("out of file descriptors"), 1);
}

TEST(ServerLimitsTest, TheSimulationKeepsBoundedValuesAndRefusesWhatWouldGrowItFurther)
{
    LinkTestServer server;
    ASSERT_TRUE(server.start());
    RawClient client(server.socket());
    auto poke = [&](const QString& topic, const QString& item, const QString& value) {
        return client.ask({QStringLiteral("POKE"), QStringLiteral("1"), topic, item, value});
    };
    auto refused = [](const QStringList& answer) {
        return answer.value(0) == QLatin1String("ERR") && answer.value(2) == QLatin1String("285");
    };

    // Topics: pipelined, as a client that floods the server sends them.
    QByteArray pokes;
    for (int t = 0; t < ValueStore::MaxTopics; ++t)
        pokes += LinkProtocol::encodeLine({QStringLiteral("POKE"), QString::number(t),
                                           QStringLiteral("T%1").arg(t), QStringLiteral("N7:0"),
                                           QStringLiteral("1")});
    client.sendRaw(pokes);
    int taken = 0;
    for (int t = 0; t < ValueStore::MaxTopics; ++t)
        taken += client.next().value(0) == QLatin1String("OK");
    EXPECT_EQ(taken, ValueStore::MaxTopics);
    const QStringList past = poke(QStringLiteral("OneTooMany"), QStringLiteral("N7:0"), QStringLiteral("1"));
    EXPECT_TRUE(refused(past) && past.value(3).contains("1000 topics")) << past.join(' ').toStdString();
    EXPECT_TRUE(refused(poke(QString(256, QLatin1Char('L')), QStringLiteral("N7:0"), QStringLiteral("1"))));

    // Held items stay writable and an initial value needs no room.
    EXPECT_EQ(poke(QStringLiteral("T5"), QStringLiteral("N7:0"), QStringLiteral("7")).value(2),
              QStringLiteral("7"));
    EXPECT_EQ(poke(QStringLiteral("OneTooMany"), QStringLiteral("N7:0"), QStringLiteral("0")).value(0),
              QStringLiteral("OK"));
    EXPECT_EQ(server.get(QStringLiteral("T5"), QStringLiteral("N7:0")), QStringLiteral("7"));

    // Items: fill the known topics up to the bound.
    pokes.clear();
    const int more = ValueStore::MaxItems - ValueStore::MaxTopics;
    for (int i = 0; i < more; ++i)
        pokes += LinkProtocol::encodeLine(
            {QStringLiteral("POKE"), QString::number(i), QStringLiteral("T%1").arg(i % 100),
             QStringLiteral("N%1:%2").arg(10 + i / 100 / 256).arg(i / 100 % 256), QStringLiteral("1")});
    client.sendRaw(pokes);
    taken = 0;
    for (int i = 0; i < more; ++i)
        taken += client.next().value(0) == QLatin1String("OK");
    EXPECT_EQ(taken, more);
    const QStringList full = poke(QStringLiteral("T1"), QStringLiteral("N255:255"), QStringLiteral("1"));
    EXPECT_TRUE(refused(full) && full.value(3).contains("50000 items")) << full.join(' ').toStdString();
}
