// CommServer against a controller simulator nobody here wrote: each a process of its own, over loopback.
#include "Bytes.h"
#include "LinkTestServer.h"
#include "LogixPoller.h"
#include "LogixTag.h"
#include "Pccc.h"
#include "PeerController.h"
#include "RawClient.h"
#include "TagValue.h"
#include "ValueStore.h"

#include <QCoreApplication>
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
    // Neither a bit outside the tag's width nor a value past its range reaches the whole tag.
    EXPECT_EQ(s.server.set("PLC1", "Small.-5", "1"), 2);
    EXPECT_EQ(s.server.set("PLC1", "Small.8", "1"), 2);
    EXPECT_EQ(s.server.set("PLC1", "Big", "9223372036854775808"), 2);
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

TEST(PeerLogixTest, ItemsLinkedWhileTheControllerRefusedConnectionsArriveUnaskedOnceItListens)
{
    SKIP_WITHOUT_PEER();
    PeerController peer(LogixTags);
    DrivenServer s({logixTopicLine("PLC1", peer.port(), 500)});
    ASSERT_TRUE(s.server.start());

    RawClient c(s.server.socket());
    EXPECT_TRUE(c.ask(fields({"ADVISE", "1", "PLC1", "Counts[1]"})).value(2).startsWith("Server error: PLC1: "));
    // Refused more than once, so the pause before the next attempt has grown.
    QThread::msleep(1500);

    // The value comes unasked within the longest pause between attempts.
    ASSERT_TRUE(peer.start());
    EXPECT_FALSE(dataStartingWith(c, "Counts[1]", "0", ControllerLink::MaxRetryMs + 2000).isEmpty());
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

namespace {

// The simulator places every element read and write at the start of the tag, whatever the index: the
// arrays are written whole, and the elements read through one range from index 0 come out right.
const QStringList ArrayTags = {
    QStringLiteral("--plc=ControlLogix"),   QStringLiteral("--path=1,0"),
    QStringLiteral("--tag=Big:DINT[1000]"), QStringLiteral("--tag=Names:STRING[3]"),
    QStringLiteral("--tag=Few:DINT[4]"),
};

qint32 bigValue(int i)
{
    return i * 7919 - 3000000;
}

// Writes a whole array in pieces with Write Tag Fragmented.
void writeWhole(PeerClient& client, const char* name, const QByteArray& type, int count,
                const QByteArray& data)
{
    const QByteArray path = LogixTag::parse(QString::fromLatin1(name))->path;
    for (qsizetype offset = 0; offset < data.size(); offset += 800) {
        Bytes::Writer w;
        w.bytes(type)
            .u16(static_cast<quint32>(count))
            .u32(static_cast<quint32>(offset))
            .bytes(data.mid(offset, 800));
        const auto cip = client.ask(Cip::request(0x53, path, w.data()));
        ASSERT_TRUE(cip && Cip::parseReply(*cip, 0x53)->ok()) << name << " at " << offset;
    }
}

void seedArrays(quint16 port)
{
    PeerClient seed(port, QStringLiteral("1,0"));
    Bytes::Writer big, few;
    for (int i = 0; i < 1000; ++i)
        big.u32(static_cast<quint32>(bigValue(i)));
    for (int i = 0; i < 4; ++i)
        few.u32(77);
    QByteArray names;
    for (const char* name : {"Pump", "Valve", "Fan"})
        names += *TagValue::encode(QByteArray::fromHex("d000"), QString::fromLatin1(name));
    writeWhole(seed, "Big", QByteArray::fromHex("c400"), 1000, big.data());
    writeWhole(seed, "Few", QByteArray::fromHex("c400"), 4, few.data());
    writeWhole(seed, "Names", QByteArray::fromHex("d000"), 3, names);
}

} // namespace

TEST(PeerLogixTest, ArrayElementsReadTogetherAcrossFragmentsAndABadIndexAnswersForItself)
{
    SKIP_WITHOUT_PEER();
    PeerController peer(ArrayTags);
    ASSERT_TRUE(peer.start());
    seedArrays(peer.port());
    DrivenServer s({logixTopicLine("PLC1", peer.port())});
    ASSERT_TRUE(s.server.start());

    // Every element but those one past a multiple of three: the holes are read through. Few[4] is one past
    // the end of its array.
    QList<std::pair<QString, QString>> expected;
    for (int i = 0; i < 1000; ++i)
        if (i % 3 != 1)
            expected.append({QStringLiteral("Big[%1]").arg(i), QString::number(bigValue(i))});
    expected.append({QStringLiteral("Names[0]"), QStringLiteral("Pump")});
    expected.append({QStringLiteral("Names[2]"), QStringLiteral("Fan")});
    for (int i = 0; i < 4; ++i)
        expected.append({QStringLiteral("Few[%1]").arg(i), QStringLiteral("77")});
    RawClient c(s.server.socket());
    for (qsizetype i = 0; i < expected.size(); ++i)
        c.send({QStringLiteral("ADVISE"), QString::number(i), QStringLiteral("PLC1"), expected[i].first});
    c.send(fields({"ADVISE", "few4", "PLC1", "Few[4]"}));

    // The first answers come from reads planned before the types were known, which the simulator may
    // answer from the wrong place; the values settle within a few cycles and then stay.
    QHash<QString, QString> last;
    for (QStringList line = c.next(3000); !line.isEmpty(); line = c.next(1000)) {
        if (line.value(0) == QLatin1String("OK"))
            last.insert(line.value(1) == QLatin1String("few4") ? QStringLiteral("Few[4]")
                                                               : expected.value(line.value(1).toInt()).first,
                        line.value(2));
        else if (line.value(0) == QLatin1String("DATA"))
            last.insert(line.value(2), line.value(3));
        else
            ADD_FAILURE() << line.join(' ').toStdString();
    }
    for (const auto& [item, value] : expected)
        EXPECT_EQ(last.value(item), value) << item.toStdString();
    const QString few4 = last.value(QStringLiteral("Few[4]"));
    EXPECT_TRUE(few4.startsWith("Server error: PLC1: ") && !few4.contains("127.0.0.1")) << few4.toStdString();
}

TEST(PeerLogixTest, RoundTripsOfArrayReadsUntilTheArraysLinksChange)
{
    SKIP_WITHOUT_PEER();
    PeerController peer(ArrayTags);
    ASSERT_TRUE(peer.start());
    TopicConfig config;
    config.topic = QStringLiteral("PLC1");
    config.host = QStringLiteral("127.0.0.1");
    config.port = peer.port();
    config.path = QStringLiteral("1,0");
    config.intervalMs = 10;
    ValueStore store;
    LogixPoller poller(config, store);
    for (int i = 0; i < 1000; ++i)
        poller.link(QStringLiteral("Big%1").arg(i), QStringLiteral("Big[%1]").arg(i));
    for (int i = 0; i <= 4; ++i)
        poller.link(QStringLiteral("Few%1").arg(i), QStringLiteral("Few[%1]").arg(i));

    // Round trips of ten cycles, once the first have learnt the types and the refusals: counted from the
    // last look before the first of them began to the last look before the next one did.
    auto tenCycles = [&poller] {
        const QDeadlineTimer deadline(10000);
        const qint64 start = poller.stats().cycles + 3;
        qint64 from = 0, to = 0;
        while (poller.stats().cycles < start + 10 && !deadline.hasExpired()) {
            (poller.stats().cycles < start ? from : to) = poller.stats().requests;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return to - from;
    };
    // Big: one read and the fragment its 4,000 bytes need. Few: its range runs past the end, so each
    // element is read on its own.
    EXPECT_NEAR(tenCycles(), 10 * (2 + 5), 3);
    // Without the element beyond the end, Few is one range again.
    poller.unlink(QStringLiteral("Few4"));
    EXPECT_NEAR(tenCycles(), 10 * (2 + 1), 3);
}
