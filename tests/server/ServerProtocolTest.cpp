#include "LinkProtocol.h"
#include "LinkTestServer.h"
#include "RawClient.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QSet>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList fields(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* i : items)
        out << QString::fromLatin1(i);
    return out;
}

// A file of the test's own: the server reads it when it starts.
QString writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

} // namespace

TEST(LinkProtocolTest, FieldsWithSeparatorsRoundTripAndLinesAreCutSafely)
{
    const QStringList odd = {"", "a\tb", "c\r\nd", "back\\slash\\t", QString::fromLatin1("\xe9\xff")};
    EXPECT_EQ(LinkProtocol::decodeLine(LinkProtocol::encodeLine(odd).chopped(2)), odd);
    EXPECT_TRUE(LinkProtocol::encodeLine({"x"}).endsWith("x\t\r\n"));

    LinkProtocol::LineBuffer buffer;
    QByteArray line;
    buffer.append("ONE\t1\t\r\nTW");
    ASSERT_EQ(buffer.next(&line), LinkProtocol::LineBuffer::Kind::Line);
    EXPECT_EQ(line, "ONE\t1\t");
    EXPECT_EQ(buffer.next(&line), LinkProtocol::LineBuffer::Kind::None);
    buffer.append("O\t2\t\n");
    ASSERT_EQ(buffer.next(&line), LinkProtocol::LineBuffer::Kind::Line);
    EXPECT_EQ(line, "TWO\t2\t");

    // An endless line is reported once, never kept whole, and the next line is read normally.
    buffer.append("POKE\t9\t");
    for (int i = 0; i < 100; ++i)
        buffer.append(QByteArray(1000, 'x'));
    ASSERT_EQ(buffer.next(&line), LinkProtocol::LineBuffer::Kind::Overlong);
    EXPECT_TRUE(line.startsWith("POKE\t9\t"));
    EXPECT_LT(buffer.buffered(), 2 * LinkProtocol::MaxLineBytes);
    buffer.append(QByteArray(5000, 'x') + "\r\nNEXT\t\r\n");
    ASSERT_EQ(buffer.next(&line), LinkProtocol::LineBuffer::Kind::Line);
    EXPECT_EQ(line, "NEXT\t");
}

TEST(ServerProtocolTest, MalformedAndOverlongRequestsGetErrorsAndTheServerGoesOn)
{
    LinkTestServer server;
    ASSERT_TRUE(server.start());
    RawClient c(server.socket());
    ASSERT_TRUE(c.connected());

    struct Case {
        QByteArray line;
        const char* id;
        const char* number;
    };
    const Case cases[] = {
        {"\r\n", "0", "5"},
        {"ADVISE\t\r\n", "0", "5"},
        {"ADVISE\t7\t\r\n", "7", "5"},
        {"FOO\t8\t\r\n", "8", "5"},
        {"POKE\t9\tLine1\tN7:0\t\r\n", "9", "5"},
        {"ADVISE\t10\t\tN7:0\t\r\n", "10", "282"},
        {"POKE\t11\tLine1\tQ7:0\t1\t\r\n", "11", "285"},
        {QByteArray("\x00\xff\x01\t12\t\n", 9), "12", "5"},
        {"ADVISE\t" + QByteArray(30, '1') + "\tLine1\tN7:0\t\r\n", "0", "5"},
    };
    for (const Case& k : cases) {
        c.sendRaw(k.line);
        const QStringList reply = c.next();
        ASSERT_EQ(reply.value(0), "ERR") << k.line.toStdString();
        EXPECT_EQ(reply.value(1), k.id) << k.line.toStdString();
        EXPECT_EQ(reply.value(2), k.number) << k.line.toStdString();
    }

    c.sendRaw("POKE\t42\tLine1\tST9:0\t" + QByteArray(100000, 'x') + "\t\r\n");
    EXPECT_EQ(c.next(), fields({"ERR", "42", "5", "line longer than 8192 bytes"}));
    EXPECT_EQ(c.ask(fields({"PING", "43"})), fields({"OK", "43", "RSLinx"}));
    EXPECT_EQ(c.ask(fields({"GET", "44", "Line1", "ST9:0"})), fields({"OK", "44", ""}));
    EXPECT_EQ(server.process().state(), QProcess::Running);
}

TEST(ServerProtocolTest, PushesReachEveryClientUnderItsOwnSpellingUntilItLeaves)
{
    LinkTestServer server;
    ASSERT_TRUE(server.start());
    RawClient a(server.socket()), b(server.socket()), writer(server.socket());
    EXPECT_EQ(a.ask(fields({"ADVISE", "1", "Line1", "N7:0"})), fields({"OK", "1", "0"}));
    EXPECT_EQ(a.ask(fields({"ADVISE", "2", "Line1", "n7:00"})), fields({"OK", "2", "0"}));
    EXPECT_EQ(b.ask(fields({"ADVISE", "1", "LINE1", "N7:0"})), fields({"OK", "1", "0"}));

    EXPECT_EQ(writer.ask(fields({"POKE", "5", "line1", "N7:0", "17"})), fields({"OK", "5", "17"}));
    QSet<QString> spellings;
    for (int i = 0; i < 2; ++i) {
        const QStringList data = a.next();
        EXPECT_EQ(data.value(0), "DATA");
        EXPECT_EQ(data.value(3), "17");
        spellings << data.value(2);
    }
    EXPECT_EQ(spellings, QSet<QString>({"N7:0", "n7:00"}));
    EXPECT_EQ(b.next(), fields({"DATA", "LINE1", "N7:0", "17"}));
    EXPECT_TRUE(writer.next(200).isEmpty()) << "the writer advised nothing";

    // Unadvising one spelling keeps the other; a client that leaves loses its links.
    EXPECT_EQ(a.ask(fields({"UNADVISE", "3", "Line1", "N7:0"})), fields({"OK", "3"}));
    b.socket().abort();
    EXPECT_EQ(writer.ask(fields({"POKE", "6", "Line1", "N7:0", "18"})), fields({"OK", "6", "18"}));
    EXPECT_EQ(a.next(), fields({"DATA", "Line1", "n7:00", "18"}));
    EXPECT_TRUE(a.next(200).isEmpty());
    EXPECT_EQ(writer.ask(fields({"GET", "7", "Line1", "N7:0"})), fields({"OK", "7", "18"}));
}

TEST(ServerProtocolTest, SimulationRulesPushChangesToLinks)
{
    QTemporaryDir dir;
    const QString rules = writeFile(dir, "rules.txt", "Line1\tN7:0\tramp\t20\t0\t1000\t\r\n");
    LinkTestServer server({QStringLiteral("--rules"), rules});
    ASSERT_TRUE(server.start());
    RawClient c(server.socket());
    const QStringList advised = c.ask(fields({"ADVISE", "1", "Line1", "N7:0"}));
    ASSERT_EQ(advised.value(0), "OK");
    int last = advised.value(2).toInt();
    for (int i = 0; i < 3; ++i) {
        const QStringList data = c.next();
        ASSERT_EQ(data.value(0), "DATA");
        EXPECT_EQ(data.value(3).toInt(), last + 1);
        last = data.value(3).toInt();
    }
}

TEST(ServerProtocolTest, ControlCommandsSingleInstanceAndExitSwitch)
{
    LinkTestServer server(
        {QStringLiteral("--no-rules"), QStringLiteral("--exit-after-ms"), QStringLiteral("1500")});
    EXPECT_EQ(server.control({QStringLiteral("--get"), QStringLiteral("Line1"), QStringLiteral("N7:0")}), 1);
    // Asked just before the server listens: the question waits for it.
    QProcess early;
    early.start(LinkTestServer::program(), {QStringLiteral("--socket"), server.socket(), QStringLiteral("--get"),
                                            QStringLiteral("Line1"), QStringLiteral("N7:0")});
    ASSERT_TRUE(early.waitForStarted(3000));
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(early.waitForFinished(5000));
    EXPECT_EQ(early.exitCode(), 0) << early.readAllStandardError().constData();

    QString out;
    EXPECT_EQ(server.control({QStringLiteral("--set"), QStringLiteral("Line1"), QStringLiteral("N7:1"),
                              QStringLiteral("42")},
                             &out),
              0);
    EXPECT_EQ(out, "42");
    EXPECT_EQ(server.get(QStringLiteral("Line1"), QStringLiteral("N7:1")), "42");
    EXPECT_EQ(server.set(QStringLiteral("Line1"), QStringLiteral("N7:1"), QStringLiteral("abc")), 2);
    EXPECT_EQ(server.control({QStringLiteral("--set"), QStringLiteral("Line1")}), 2);

    // A second server on the same name leaves the first serving.
    QProcess p;
    p.start(LinkTestServer::program(), {QStringLiteral("--socket"), server.socket()});
    ASSERT_TRUE(p.waitForFinished(3000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardError().contains("already serving"));
    EXPECT_EQ(server.get(QStringLiteral("Line1"), QStringLiteral("N7:1")), "42");

    EXPECT_TRUE(server.process().waitForFinished(4000));
    EXPECT_EQ(server.process().exitCode(), 0);
    EXPECT_EQ(server.control({QStringLiteral("--get"), QStringLiteral("Line1"), QStringLiteral("N7:1")}), 1);
}

TEST(ServerProtocolTest, LockLeftByAKilledServerWithThisProcessNumberIsTakenOver)
{
    LinkTestServer server;
    const QString lock = QDir::tempPath() + QLatin1Char('/') + server.socket() + QStringLiteral(".lock");
    const QString holder = QStringList{QStringLiteral("CommServer"), QSysInfo::machineHostName(),
                                       QString::fromLatin1(QSysInfo::machineUniqueId()),
                                       QString::fromLatin1(QSysInfo::bootUniqueId())}
                               .join(QLatin1Char('\n'));
    // exec keeps the shell's process number, so the lock names the very server that reads it.
    QProcess p;
    p.start(QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"),
             QStringLiteral("printf '%s\\n%s\\n' $$ \"$1\" > \"$2\"; "
                            "exec \"$3\" --socket \"$4\" --no-rules --exit-after-ms 500"),
             QStringLiteral("sh"), holder, lock, LinkTestServer::program(), server.socket()});
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_TRUE(p.readAllStandardOutput().startsWith("ready")) << p.readAllStandardError().constData();
    EXPECT_FALSE(QFile::exists(lock)) << "the server that took the lock releases it when it ends";
}

TEST(ServerProtocolTest, RefusedTopicLineAnswersWithItsReasonAndCheckReportsEachLine)
{
    QTemporaryDir dir;
    const QString topics = writeFile(
        dir, "CommTopics.txt",
        "# topic\tdriver\thost\tport\tpath\r\nHere\tSim\t\r\nPLC9\tLogix\t127.0.0.1\t4481 8\t1,0\r\n");
    // Rules for the refused topic do not bring it back to life.
    const QString rules = writeFile(dir, "rules.txt", "PLC9\tTank_Level\tramp\t20\t0\t100\t\r\n");

    LinkTestServer server({QStringLiteral("--rules"), rules, QStringLiteral("--topics"), topics});
    ASSERT_TRUE(server.start());
    const QString why = server.get(QStringLiteral("plc9"), QStringLiteral("Tank_Level"));
    EXPECT_TRUE(why.startsWith(QLatin1String("Server error: CommTopics.txt line 3: port")))
        << why.toStdString();
    EXPECT_EQ(server.set(QStringLiteral("PLC9"), QStringLiteral("Tank_Level"), QStringLiteral("42.5")), 2);
    EXPECT_EQ(server.get(QStringLiteral("PLC9"), QStringLiteral("N7:0")), why);
    RawClient c(server.socket());
    EXPECT_EQ(c.ask(fields({"ADVISE", "1", "PLC9", "Tank_Level"})).value(2), why);
    EXPECT_EQ(server.set(QStringLiteral("Here"), QStringLiteral("N7:0"), QStringLiteral("5")), 0);

    QString out;
    EXPECT_EQ(server.control({QStringLiteral("--check"), QStringLiteral("--topics"), topics}, &out), 1);
    EXPECT_TRUE(out.contains(QLatin1String("CommTopics.txt line 2: ok, Here: simulated")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QLatin1String("CommTopics.txt line 3: refused, port"))) << out.toStdString();

    writeFile(dir, "CommTopics.txt", "PLC9\tLogix\t127.0.0.1\t44818\t1,0\r\n");
    EXPECT_EQ(server.control({QStringLiteral("--check"), QStringLiteral("--topics"), topics}, &out), 0);
    EXPECT_TRUE(out.contains(QLatin1String("line 1: ok, PLC9: Logix at 127.0.0.1:44818, path 1,0")))
        << out.toStdString();
}
