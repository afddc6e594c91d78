#include "Simulator.h"
#include "LinkTestServer.h"
#include "TextFile.h"
#include "ValueStore.h"

#include <gtest/gtest.h>

namespace {

QString field(const QStringList& fields)
{
    QString line;
    for (const QString& f : fields)
        line += f + QLatin1Char('\t');
    return line;
}

} // namespace

TEST(SimulatorTest, RulesFileLinesAreReadOrRefusedWithTheirLineNumber)
{
    const QStringList lines = {
        QStringLiteral("# comment"),
        QString(),
        field({"Line1", "N7:0", "ramp", "500", "0", "10"}),
        field({"Line1", "B3:0/0", "TOGGLE", "100"}),
        field({"Line1", "N7:2", "constant", "50"}),
        field({"Line1", "Q7:0", "ramp", "500"}),
        field({"Line1", "N7:3", "spin", "500"}),
        field({"Line1", "N7:4", "random", "5"}),
        field({"Line1", "N7:5", "sine", "100", "10", "10"}),
        field({"Line1", "N7:6", "constant", "x"}),
        field({"Line1", "N7:7"}),
        field({"", "N7:8", "ramp", "100"}),
    };
    const Simulator::Loaded loaded = Simulator::parse(lines);
    ASSERT_EQ(loaded.rules.size(), 3);
    EXPECT_EQ(loaded.rules[0].kind, SimRule::Kind::Ramp);
    EXPECT_EQ(loaded.rules[0].max, 10);
    EXPECT_EQ(loaded.rules[1].kind, SimRule::Kind::Toggle);
    EXPECT_EQ(loaded.rules[1].max, 1);
    EXPECT_EQ(loaded.rules[2].constant, "50");
    ASSERT_EQ(loaded.warnings.size(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(loaded.warnings[i].startsWith(QStringLiteral("line %1:").arg(i + 6)))
            << loaded.warnings[i].toStdString();
}

TEST(SimulatorTest, StepsMoveValuesWithinTheirRangeAndFollowWhatWasWritten)
{
    ValueStore store;
    Simulator sim(store);
    sim.start(Simulator::parse({field({"L", "N7:0", "ramp", "100000", "2", "4"}),
                                field({"L", "B3:0/0", "toggle", "100000"}),
                                field({"L", "F8:0", "sine", "100000", "10", "30"}),
                                field({"L", "N7:1", "random", "100000", "5", "8"}),
                                field({"L", "N7:2", "constant", "50"})})
                  .rules);
    auto value = [&](const char* item) { return store.read(QStringLiteral("L"), QString::fromLatin1(item)); };
    EXPECT_EQ(value("N7:0"), "2");
    EXPECT_EQ(value("F8:0"), "20");
    EXPECT_EQ(value("N7:2"), "50");

    QStringList ramp, toggle;
    double low = 1e9, high = -1e9;
    for (int i = 0; i < 36; ++i) {
        for (int r = 0; r < 5; ++r)
            sim.step(r);
        ramp << value("N7:0");
        toggle << value("B3:0/0");
        low = qMin(low, value("F8:0").toDouble());
        high = qMax(high, value("F8:0").toDouble());
        const int random = value("N7:1").toInt();
        EXPECT_TRUE(random >= 5 && random <= 8) << random;
    }
    EXPECT_EQ(ramp.mid(0, 4), (QStringList{"3", "4", "2", "3"}));
    EXPECT_EQ(toggle.mid(0, 3), (QStringList{"1", "0", "1"}));
    EXPECT_DOUBLE_EQ(low, 10);
    EXPECT_DOUBLE_EQ(high, 30);
    EXPECT_EQ(value("N7:2"), "50");

    // A ramp goes on from a written value; out of its range it starts over.
    ASSERT_TRUE(store.write(QStringLiteral("L"), QStringLiteral("N7:0"), QStringLiteral("3")).ok);
    sim.step(0);
    EXPECT_EQ(value("N7:0"), "4");
    ASSERT_TRUE(store.write(QStringLiteral("L"), QStringLiteral("N7:0"), QStringLiteral("99")).ok);
    sim.step(0);
    EXPECT_EQ(value("N7:0"), "2");
}

TEST(SimulatorTest, DemoRulesBesideTheServerAreAllValidAndKeepLine1Moving)
{
    Result<QStringList> lines =
        TextFile::readLines(LinkTestServer::binDir() + QStringLiteral("/SimRules.txt"));
    ASSERT_TRUE(lines.ok());
    const Simulator::Loaded loaded = Simulator::parse(lines.value());
    EXPECT_TRUE(loaded.warnings.isEmpty()) << loaded.warnings.join(QLatin1Char('\n')).toStdString();
    QStringList line1;
    for (const SimRule& r : loaded.rules)
        if (r.topic == QLatin1String("Line1"))
            line1 << r.item;
    for (const char* item :
         {"N7:0", "Tank_Level", "B3:0/0", "N7:1", "N7:2", "Program:MainProgram.Pump_Speed"})
        EXPECT_TRUE(line1.contains(QString::fromLatin1(item))) << item;
}
