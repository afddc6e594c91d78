#include "FileIO.h"
#include "Messages.h"
#include "TopicRecord.h"

#include <gtest/gtest.h>

using FileIO::Parse_Line;
using FileIO::ParsedFields;
using FileIO::Replace_Text;

TEST(ParseLine, SplitsFieldsEachFollowedByTab)
{
    EXPECT_EQ(Parse_Line("abc"), 0);
    EXPECT_EQ(ParsedFields, QStringList{"abc"});

    EXPECT_EQ(Parse_Line("abc\t"), 0);
    EXPECT_EQ(ParsedFields, QStringList{"abc"});

    // Text after the last TAB is not a field.
    EXPECT_EQ(Parse_Line("abc\tdef"), 0);
    EXPECT_EQ(ParsedFields, QStringList{"abc"});

    EXPECT_EQ(Parse_Line("a\t\tc\t"), 2);
    EXPECT_EQ(ParsedFields, (QStringList{"a", "", "c"}));

    EXPECT_EQ(Parse_Line(""), 0);
    EXPECT_EQ(ParsedFields, QStringList{""});

    EXPECT_EQ(Parse_Line(" Main \tS1\tPumps\tPump Status\t"), 3);
    EXPECT_EQ(ParsedFields, (QStringList{" Main ", "S1", "Pumps", "Pump Status"}));
}

TEST(ParseLine, OverlongLineReportsOnceAndKeepsFieldsSplitSoFar)
{
    MessageRecorder messages;
    const QString line = QStringLiteral("first\tsecond\t") + QString(40000, QLatin1Char('x')) + QStringLiteral("\t");
    Parse_Line(line);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith("Parse Line: Overflow # 6\r\nData In xxx"));
    EXPECT_EQ(ParsedFields, (QStringList{"first", "second"}));

    messages.clear();
    Parse_Line(QString(33000, QLatin1Char('y')));
    EXPECT_EQ(messages.texts().size(), 1);
    EXPECT_EQ(ParsedFields.size(), 1);

    // A line at the limit is fine.
    messages.clear();
    Parse_Line(QString(32766, QLatin1Char('z')) + QStringLiteral("\t"));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST(ReplaceText, ShorterReplacementCollapsesRuns)
{
    QString text = QStringLiteral("a    b");
    EXPECT_EQ(Replace_Text(text, "  ", " "), QStringLiteral("a b"));
    EXPECT_EQ(text, QStringLiteral("a b"));

    QString odd = QStringLiteral("x       y  z");
    EXPECT_EQ(Replace_Text(odd, "  ", " "), QStringLiteral("x y z"));
}

TEST(ReplaceText, LongerReplacementMakesOnePass)
{
    QString text = QStringLiteral("aaa");
    EXPECT_EQ(Replace_Text(text, "a", "aa"), QStringLiteral("aaaaaa"));

    QString quotes = QStringLiteral("\"\"x\"\"");
    EXPECT_EQ(Replace_Text(quotes, "\"\"", "\""), QStringLiteral("\"x\""));

    QString same = QStringLiteral("abc");
    EXPECT_EQ(Replace_Text(same, "", "z"), QStringLiteral("abc"));
}

TEST(TopicFlags, NumbersWordsAndNothingElse)
{
    EXPECT_EQ(Parse_Flag("1"), true);
    EXPECT_EQ(Parse_Flag("-1"), true);
    EXPECT_EQ(Parse_Flag("0"), false);
    EXPECT_EQ(Parse_Flag("TRUE"), true);
    EXPECT_EQ(Parse_Flag("false"), false);
    for (const char* bad : {"", "yes", "nan", "inf", "1x"})
        EXPECT_FALSE(Parse_Flag(QString::fromLatin1(bad)).has_value()) << bad;
    EXPECT_EQ(Topic_FromFields({"RSLinx|A", "N7:0", "d", "1", "maybe", "0"}).error().number, 13);
}
