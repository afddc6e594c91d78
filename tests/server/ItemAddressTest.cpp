#include "ItemAddress.h"
#include "ValueStore.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using Kind = ItemAddress::Kind;

TEST(ItemAddressTest, DataTableAddressesParseToOneCanonicalFormWithTheirKind)
{
    struct Case {
        const char* item;
        const char* canonical;
        Kind kind;
    };
    const Case cases[] = {
        {"N7:0", "N7:0", Kind::Int16},         {"n7:007", "N7:7", Kind::Int16},
        {"N7:0/15", "N7:0/15", Kind::Bit},     {"B3:0/1", "B3:0/1", Kind::Bit},
        {"B3/16", "B3/16", Kind::Bit},         {"B3:2", "B3:2", Kind::Int16},
        {"T4:0.ACC", "T4:0.ACC", Kind::Int16}, {"t4:0.dn", "T4:0.DN", Kind::Bit}, {"T4:0/DN", "T4:0.DN", Kind::Bit},
        {"C5:1.PRE", "C5:1.PRE", Kind::Int16}, {"R6:0.POS", "R6:0.POS", Kind::Int16},
        {"T4:0.1", "T4:0.1", Kind::Int16},     {"F8:3", "F8:3", Kind::Float},
        {"I:1/0", "I1:1/0", Kind::Bit},        {"I1:1.0/3", "I1:1.0/3", Kind::Bit},
        {"O:2/3", "O0:2/3", Kind::Bit},        {"O:2", "O0:2", Kind::Int16},
        {"S:1/5", "S2:1/5", Kind::Bit},        {"L9:0", "L9:0", Kind::Int32},
        {"L9:0/31", "L9:0/31", Kind::Bit},     {"ST9:0", "ST9:0", Kind::Text},
        {"N10:255", "N10:255", Kind::Int16},   {"N999:999", "N999:999", Kind::Int16},
        {"B3/15999", "B3/15999", Kind::Bit},
    };
    for (const Case& c : cases) {
        const ItemAddress a = ItemAddress::parse(QString::fromLatin1(c.item));
        ASSERT_TRUE(a.valid) << c.item << ": " << a.error.toStdString();
        EXPECT_EQ(a.canonical, QString::fromLatin1(c.canonical)) << c.item;
        EXPECT_EQ(a.kind, c.kind) << c.item;
    }
}

TEST(ItemAddressTest, TagsParseWithProgramScopeArraysMembersAndBits)
{
    struct Case {
        const char* item;
        const char* canonical;
        Kind kind;
    };
    const Case cases[] = {
        {"Tank_Level", "TANK_LEVEL", Kind::Number},
        {"Program:MainProgram.Pump_Speed", "PROGRAM:MAINPROGRAM.PUMP_SPEED", Kind::Number},
        {"program:Main.Motor.Speed", "PROGRAM:MAIN.MOTOR.SPEED", Kind::Number},
        {"Recipe[03]", "RECIPE[3]", Kind::Number},
        {"Grid[1,2,3].Temp", "GRID[1,2,3].TEMP", Kind::Number},
        {"Flags.5", "FLAGS.5", Kind::Bit},
        {"Motor.Status.31", "MOTOR.STATUS.31", Kind::Bit},
        {"_Hidden", "_HIDDEN", Kind::Number},
        {"N7", "N7", Kind::Number},
    };
    for (const Case& c : cases) {
        const ItemAddress a = ItemAddress::parse(QString::fromLatin1(c.item));
        ASSERT_TRUE(a.valid) << c.item << ": " << a.error.toStdString();
        EXPECT_EQ(a.canonical, QString::fromLatin1(c.canonical)) << c.item;
        EXPECT_EQ(a.kind, c.kind) << c.item;
    }
}

TEST(ItemAddressTest, AnythingElseIsRefusedWithAReason)
{
    for (const char* item : {"",           "   ",         "X7:0",        "N:0",          "N7:",
                             "N7:1000",    "N7:0/16",     "N2:0",        "N1000:0",      "B3/16000",
                             "T4:0",       "T4:0.XYZ",    "T4:0.DN/1",   "N7:0.ACC",     "F8:0/1",
                             "I:278/0",    "I2:1/0",      "O:1/32",      "S3:1",         "2Tank",
                             "Tank-Level", "Tank__Level", "Tank_",       "Tag[",         "Tag[1,2,3,4]",
                             "Tag[-1]",    "Tag..Member", "Flags.64",    "Program:.Tag", "Program:Main",
                             "Tank Level", "N7:0 ",       "Tag.5.Member", "Flags.-5",    "A.B.-1",
                             "Flags.+5",   "Flags.99999999999",           "Program:Main.Flags.-3"}) {
        const ItemAddress a = ItemAddress::parse(QString::fromLatin1(item));
        EXPECT_FALSE(a.valid) << "'" << item << "' taken as " << a.canonical.toStdString();
        EXPECT_FALSE(a.error.isEmpty()) << item;
    }
    EXPECT_FALSE(ItemAddress::parse(QString(300, QLatin1Char('A'))).valid);
}

TEST(ItemAddressTest, WrittenValuesAreCheckedAndStoredInTheItemsForm)
{
    auto put = [](const char* item, const char* value) {
        const ItemAddress::Normalized n =
            ItemAddress::parse(QString::fromLatin1(item)).normalize(QString::fromLatin1(value));
        return n.ok ? n.value : QStringLiteral("refused");
    };
    EXPECT_EQ(put("N7:0", " 42 "), "42");
    EXPECT_EQ(put("N7:0", "12.5"), "13");
    EXPECT_EQ(put("N7:0", "-12.5"), "-13");
    EXPECT_EQ(put("N7:0", "-32768"), "-32768");
    EXPECT_EQ(put("N7:0", "32768"), "refused");
    EXPECT_EQ(put("N7:0", "abc"), "refused");
    EXPECT_EQ(put("N7:0", ""), "refused");
    EXPECT_EQ(put("N7:0", "nan"), "refused");
    EXPECT_EQ(put("N7:0", "inf"), "refused");
    EXPECT_EQ(put("L9:0", "100000"), "100000");
    EXPECT_EQ(put("L9:0", "2147483647.4"), "2147483647");
    EXPECT_EQ(put("L9:0", "2147483647.5"), "refused");
    EXPECT_EQ(put("L9:0", "-2147483648.5"), "refused");
    EXPECT_EQ(put("L9:0", "1e3"), "1000");
    EXPECT_EQ(put("B3:0/0", "2"), "1");
    EXPECT_EQ(put("B3:0/0", "0.0"), "0");
    EXPECT_EQ(put("F8:0", "3.25"), "3.25");
    EXPECT_EQ(put("F8:0", "1e39"), "refused");
    EXPECT_EQ(put("Tank_Level", "1e3"), "1000");
    EXPECT_EQ(put("ST9:0", "any text"), "any text");
    EXPECT_EQ(put("ST9:0", QByteArray(83, 'x').constData()), "refused");
}

TEST(ValueStoreTest, SpellingsShareOneValueAndChangesAreAnnouncedOnce)
{
    ValueStore store;
    QSignalSpy changed(&store, &ValueStore::changed);
    EXPECT_EQ(store.read(QStringLiteral("Line1"), QStringLiteral("N7:0")), "0");
    EXPECT_EQ(store.read(QStringLiteral("Line1"), QStringLiteral("ST9:0")), "");
    EXPECT_TRUE(store.read(QStringLiteral("Line1"), QStringLiteral("Q7:0"))
                    .startsWith(QLatin1String("Server error")));

    ASSERT_TRUE(store.write(QStringLiteral("Line1"), QStringLiteral("n7:00"), QStringLiteral("5")).ok);
    EXPECT_EQ(store.read(QStringLiteral("LINE1"), QStringLiteral("N7:0")), "5");
    EXPECT_EQ(store.read(QStringLiteral("Line2"), QStringLiteral("N7:0")), "0");
    EXPECT_EQ(changed.size(), 1);
    // A simulation step that changes nothing stays quiet; a poke of the same value is announced.
    ASSERT_TRUE(store
                    .write(QStringLiteral("Line1"), QStringLiteral("N7:0"), QStringLiteral("5"),
                           ValueStore::Announce::OnChange)
                    .ok);
    EXPECT_EQ(changed.size(), 1);
    ASSERT_TRUE(store.write(QStringLiteral("Line1"), QStringLiteral("N7:0"), QStringLiteral("5")).ok);
    EXPECT_EQ(changed.size(), 2);
    EXPECT_FALSE(store.write(QStringLiteral("Line1"), QStringLiteral("N7:0"), QStringLiteral("x")).ok);
    EXPECT_EQ(store.read(QStringLiteral("Line1"), QStringLiteral("N7:0")), "5");
}
