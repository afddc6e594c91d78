// CommServer against a controller simulator nobody here wrote: each a process of its own, over loopback.
#include "LinkTestServer.h"
#include "Pccc.h"
#include "PeerController.h"
#include "RawClient.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QStringList LogixTags = {
    QStringLiteral("--plc=ControlLogix"),     QStringLiteral("--path=1,0"),
    QStringLiteral("--tag=Small:SINT[2]"),    QStringLiteral("--tag=Word:INT[2,3]"),
    QStringLiteral("--tag=Counts:DINT[10]"),  QStringLiteral("--tag=Big:LINT[1]"),
    QStringLiteral("--tag=Level:REAL[1]"),    QStringLiteral("--tag=Precise:LREAL[1]"),
    QStringLiteral("--tag=Cube:DINT[2,2,2]"), QStringLiteral("--tag=Name:STRING[1]"),
};

QStringList fields(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* i : items)
        out << QString::fromLatin1(i);
    return out;
}

// A CommServer whose topics file lists `lines`, with simulation rules when given.
class DrivenServer {
public:
    explicit DrivenServer(const QStringList& lines, const QStringList& rules = {})
    {
        QStringList args = {QStringLiteral("--topics"), write(QStringLiteral("CommTopics.txt"), lines)};
        args << (rules.isEmpty()
                     ? QStringList{QStringLiteral("--no-rules")}
                     : QStringList{QStringLiteral("--rules"), write(QStringLiteral("SimRules.txt"), rules)});
        server.setArgs(args);
    }
    QString write(const QString& name, const QStringList& lines)
    {
        QFile f(m_dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
        return f.fileName();
    }
    QTemporaryDir m_dir;
    LinkTestServer server;
};

// Waits for a DATA line of the item whose value starts with `prefix`.
QStringList dataStartingWith(RawClient& client, const QString& item, const QString& prefix, int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        const QStringList line = client.next(static_cast<int>(qMax<qint64>(1, ms - t.elapsed())));
        if (line.value(0) == QLatin1String("DATA") && line.value(2) == item &&
            line.value(3).startsWith(prefix))
            return line;
    }
    return {};
}

} // namespace

TEST(PeerLogixTest, EveryTypeReadAndWrittenThroughTheServerLandsInTheController)
{
    SKIP_WITHOUT_PEER();
    PeerController peer(LogixTags);
    ASSERT_TRUE(peer.start());
    {
        PeerClient seed(peer.port(), QStringLiteral("1,0"));
        const QByteArray name = QByteArray::fromHex("06000000") + "Seeded" + QByteArray(78, '\0');
        const QList<std::pair<const char*, QByteArray>> writes = {
            {"Counts[2]", QByteArray::fromHex("c400 40e20100")},   // 123456
            {"Word[1,2]", QByteArray::fromHex("c300 d4fe")},       // -300
            {"Cube[1,1,0]", QByteArray::fromHex("c400 07000000")}, // 7
            {"Level", QByteArray::fromHex("ca00 0000c03f")},       // 1.5
            {"Name", QByteArray::fromHex("d000") + name},
        };
        for (const auto& [item, typed] : writes)
            ASSERT_TRUE(seed.write(QString::fromLatin1(item), typed)) << item;
    }

    DrivenServer s({logixTopicLine("PLC1", peer.port())});
    ASSERT_TRUE(s.server.start());
    EXPECT_EQ(s.server.get("PLC1", "Counts[2]"), "123456");
    EXPECT_EQ(s.server.get("PLC1", "Word[1,2]"), "-300");
    EXPECT_EQ(s.server.get("PLC1", "Cube[1,1,0]"), "7");
    EXPECT_EQ(s.server.get("PLC1", "Level"), "1.5");
    EXPECT_EQ(s.server.get("plc1", "Name"), "Seeded");
    EXPECT_EQ(s.server.get("PLC1", "Counts.4"), "0");
    EXPECT_TRUE(s.server.get("PLC1", "Missing").startsWith("Server error: PLC1: "));
    EXPECT_TRUE(s.server.get("PLC1", "N7:0").startsWith("Server error: "));

    const QList<std::pair<const char*, const char*>> pokes = {
        {"Small", "-5"},
        {"Word[0,1]", "-2.5"},
        {"Counts[9]", "-2147483648"},
        {"Big", "1234567890123456789"},
        {"Level", "0.25"},
        {"Precise", "0.1"},
        {"Name", "Pump 3 running"},
    };
    for (const auto& [item, value] : pokes)
        EXPECT_EQ(s.server.set("PLC1", item, value), 0) << item;
    // Refused by the type the controller reported, and by the controller.
    EXPECT_EQ(s.server.set("PLC1", "Small", "300"), 2);
    EXPECT_EQ(s.server.set("PLC1", "Counts[99]", "1"), 2);
    ASSERT_EQ(s.server.control({QStringLiteral("--quit")}), 0);
    s.server.process().waitForFinished(3000);

    PeerClient check(peer.port(), QStringLiteral("1,0"));
    EXPECT_EQ(check.read("Small"), "-5");
    EXPECT_EQ(check.read("Word[0,1]"), "-3");
    EXPECT_EQ(check.read("Counts[9]"), "-2147483648");
    EXPECT_EQ(check.read("Big"), "1234567890123456789");
    EXPECT_EQ(check.read("Level"), "0.25");
    EXPECT_EQ(check.read("Precise"), "0.1");
    EXPECT_EQ(check.read("Name"), "Pump 3 running");
}

TEST(PeerLogixTest, LostControllerShownOnLinksAndValuesReturnWhenItAnswersAgain)
{
    SKIP_WITHOUT_PEER();
    PeerController peer(LogixTags);
    ASSERT_TRUE(peer.start());
    DrivenServer s({logixTopicLine("PLC1", peer.port(), 500)});
    ASSERT_TRUE(s.server.start());

    RawClient c(s.server.socket());
    EXPECT_EQ(c.ask(fields({"ADVISE", "1", "PLC1", "Counts[1]"})), fields({"OK", "1", "0"}));
    EXPECT_EQ(c.ask(fields({"POKE", "2", "PLC1", "Counts[1]", "41"})), fields({"OK", "2", "41"}));
    EXPECT_EQ(c.next(), fields({"DATA", "PLC1", "Counts[1]", "41"}));

    // It hangs: the links say so within the time-out, and pokes are refused at once.
    QElapsedTimer t;
    t.start();
    peer.freeze(true);
    EXPECT_FALSE(dataStartingWith(c, "Counts[1]", "Server error: PLC1: 127.0.0.1:", 3000).isEmpty());
    EXPECT_LT(t.elapsed(), 1500);
    EXPECT_EQ(c.ask(fields({"POKE", "3", "PLC1", "Counts[1]", "1"})).value(2), "285");

    // It goes on: the value comes back without anyone asking.
    peer.freeze(false);
    EXPECT_FALSE(dataStartingWith(c, "Counts[1]", "41", ControllerLink::MaxRetryMs + 3000).isEmpty());

    // It is replaced: hung, given up on, killed, and a new controller started on the same port; its
    // own value arrives unasked. (The simulator cannot listen again while a connection it closed first
    // lingers, so it is killed only after the server dropped its side.)
    peer.freeze(true);
    EXPECT_FALSE(dataStartingWith(c, "Counts[1]", "Server error: PLC1: 127.0.0.1:", 3000).isEmpty());
    peer.stop();
    ASSERT_TRUE(peer.start());
    EXPECT_FALSE(dataStartingWith(c, "Counts[1]", "0", ControllerLink::MaxRetryMs + 3000).isEmpty());

    // It is killed outright: the links say so within the time-out.
    t.restart();
    peer.stop();
    EXPECT_FALSE(dataStartingWith(c, "Counts[1]", "Server error: PLC1: 127.0.0.1:", 3000).isEmpty());
    EXPECT_LT(t.elapsed(), 1500);
}

TEST(PeerPcccTest, IntegerAndFloatFilesOfAnSlc500ReadAndWritten)
{
    SKIP_WITHOUT_PEER();
    PeerController peer(
        {QStringLiteral("--plc=SLC500"), QStringLiteral("--tag=N7[10]"), QStringLiteral("--tag=F8[10]")});
    ASSERT_TRUE(peer.start());
    // Rules for a controller's topic are left out: they would fight its values.
    DrivenServer s({QStringLiteral("SLC\tSLC500\t127.0.0.1\t%1\t\t100\t2000\t").arg(peer.port())},
                   {QStringLiteral("SLC\tN7:0\tramp\t10\t5\t100\t")});
    ASSERT_TRUE(s.server.start());

    // A poke is the first the topic hears of.
    EXPECT_EQ(s.server.set("SLC", "F8:2", "3.75"), 0);
    RawClient c(s.server.socket());
    EXPECT_EQ(c.ask(fields({"ADVISE", "1", "SLC", "N7:0"})), fields({"OK", "1", "0"}));
    EXPECT_EQ(c.ask(fields({"ADVISE", "2", "SLC", "N7:9"})), fields({"OK", "2", "0"}));
    EXPECT_EQ(s.server.set("SLC", "N7:9", "-1234"), 0);
    EXPECT_EQ(s.server.set("SLC", "N7:3", "70000"), 2);
    const QStringList pushed = c.next();
    EXPECT_EQ(pushed, fields({"DATA", "SLC", "N7:9", "-1234"})) << pushed.join(' ').toStdString();
    EXPECT_TRUE(c.next(300).isEmpty());
    EXPECT_EQ(s.server.get("SLC", "F8:2"), "3.75");
    EXPECT_TRUE(s.server.get("SLC", "N7:10").startsWith("Server error: SLC: file is the wrong size"));

    ASSERT_EQ(s.server.control({QStringLiteral("--quit")}), 0);
    s.server.process().waitForFinished(3000);
    PeerClient check(peer.port(), QString());
    const auto cip = check.ask(Pccc::read(7, Pccc::parse(QStringLiteral("N7:8")).value(), 4));
    ASSERT_TRUE(cip);
    EXPECT_EQ(*Pccc::replyData(*cip, 7), QByteArray::fromHex("00002efb"));
    const auto f = check.ask(Pccc::read(8, Pccc::parse(QStringLiteral("F8:2")).value(), 4));
    ASSERT_TRUE(f);
    EXPECT_EQ(*Pccc::text(Pccc::parse(QStringLiteral("F8:2")).value(), *Pccc::replyData(*f, 8)), "3.75");
}

TEST(PeerPcccTest, IntegerFileOfAPlc5ReadAndWrittenWithWordRangeCommands)
{
    SKIP_WITHOUT_PEER();
    // The simulator counts a word range's transaction in elements where the protocol counts words, so only
    // one-word elements agree; F elements are covered by bytes written out by hand.
    PeerController peer({QStringLiteral("--plc=PLC/5"), QStringLiteral("--tag=N7[10]")});
    ASSERT_TRUE(peer.start());
    DrivenServer s({QStringLiteral("P5\tPLC5\t127.0.0.1\t%1\t\t100\t2000\t").arg(peer.port())});
    ASSERT_TRUE(s.server.start());

    // Elements 1 and 8 share one read.
    RawClient c(s.server.socket());
    EXPECT_EQ(c.ask(fields({"ADVISE", "1", "P5", "N7:1"})), fields({"OK", "1", "0"}));
    EXPECT_EQ(c.ask(fields({"ADVISE", "2", "P5", "N7:8"})), fields({"OK", "2", "0"}));
    EXPECT_EQ(s.server.set("P5", "N7:8", "-1234"), 0);
    EXPECT_EQ(c.next(), fields({"DATA", "P5", "N7:8", "-1234"}));
    EXPECT_EQ(s.server.set("P5", "N7:1", "77"), 0);
    EXPECT_EQ(c.next(), fields({"DATA", "P5", "N7:1", "77"}));
    EXPECT_TRUE(s.server.get("P5", "N7:10").startsWith("Server error: P5: file is the wrong size"));

    ASSERT_EQ(s.server.control({QStringLiteral("--quit")}), 0);
    s.server.process().waitForFinished(3000);
    PeerClient check(peer.port(), QString());
    const auto n7 = Pccc::parse(QStringLiteral("N7:0"), Pccc::Dialect::Plc5).value();
    const auto cip = check.ask(Pccc::read(9, n7, 20));
    ASSERT_TRUE(cip);
    EXPECT_EQ(*Pccc::replyData(*cip, 9), QByteArray::fromHex("00004d000000000000000000000000002efb0000"));
}

TEST(PeerLogixTest, SilentControllerDelaysNoOtherTopic)
{
    SKIP_WITHOUT_PEER();
    PeerController peer(LogixTags);
    ASSERT_TRUE(peer.start());
    // Takes connections and never answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    DrivenServer s({logixTopicLine("Dead", silent.serverPort(), 3000), logixTopicLine("Live", peer.port())});
    ASSERT_TRUE(s.server.start());

    RawClient c(s.server.socket());
    c.send(fields({"ADVISE", "1", "Dead", "Counts[0]"}));
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(c.ask(fields({"GET", "2", "Live", "Counts[0]"})), fields({"OK", "2", "0"}));
    EXPECT_EQ(c.ask(fields({"GET", "3", "Line1", "N7:0"})), fields({"OK", "3", "0"}));
    EXPECT_LT(t.elapsed(), 1500);
    const QStringList dead = c.next(5000);
    EXPECT_EQ(dead.value(1), "1");
    EXPECT_TRUE(dead.value(2).startsWith("Server error: Dead: ")) << dead.join(' ').toStdString();
}
