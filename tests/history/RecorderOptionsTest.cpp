#include "RecorderOptions.h"

#include <gtest/gtest.h>

// Numbers beyond what an option holds are refused, not wrapped: a list file's fields and the command line.
TEST(RecorderOptionsTest, NumbersBeyondWhatAnOptionHoldsAreRefused)
{
    const RecordedTopic defaults;
    const auto line = [&](const char* fields) {
        return RecorderTopics::fromList({QStringLiteral("RSLinx|Line1\tN7:0\t") + QLatin1String(fields)},
                                        QStringLiteral("list.txt"), defaults);
    };
    EXPECT_FALSE(line("0\t5555555555\t").ok());
    EXPECT_FALSE(line("inf\t\t").ok());
    const auto widest = line("0.5\t2147483647\t");
    ASSERT_TRUE(widest.ok());
    EXPECT_EQ(widest->front().minIntervalMs, 2147483647);
    EXPECT_EQ(widest->front().deadband, 0.5);

    for (const char* option : {"--retention", "--min-interval"}) {
        const auto parsed = RecorderOptions::parse(
            {QStringLiteral("HistoryRecorder"), QLatin1String(option), QStringLiteral("1e10"), QStringLiteral("x.prj")},
            QStringLiteral("/nowhere/"));
        ASSERT_FALSE(parsed.ok()) << option;
        EXPECT_TRUE(parsed.error().description.startsWith(QStringLiteral("A number is needed"))) << option;
    }
}
