#include "SharedVars.h"

#include <gtest/gtest.h>

TEST(SharedVars, StampUsesTwelveHourClockAndDesignator)
{
    const QDate day(2026, 12, 6);
    EXPECT_EQ(SharedVars::Format_Stamp(QDateTime(day, QTime(16, 30, 15))), QStringLiteral("061226043015PM"));
    EXPECT_EQ(SharedVars::Format_Stamp(QDateTime(day, QTime(4, 30, 15))), QStringLiteral("061226043015AM"));
    EXPECT_EQ(SharedVars::Format_Stamp(QDateTime(day, QTime(0, 5, 0))), QStringLiteral("061226120500AM"));
    EXPECT_EQ(SharedVars::Format_Stamp(QDateTime(day, QTime(12, 0, 9))), QStringLiteral("061226120009PM"));

    const QDateTime start(day, QTime(9, 1, 2));
    SharedVars::Init_Constants(start);
    const QString first = SharedVars::StartStamp;
    SharedVars::Init_Constants(start.addSecs(1));
    EXPECT_NE(first, SharedVars::StartStamp);
    EXPECT_EQ(first.size(), 14);
    EXPECT_EQ(SharedVars::NewLine, QStringLiteral("\r\n"));
}

TEST(SharedVars, PathsEndWithSeparator)
{
    SharedVars::Init_Paths(QStringLiteral("/opt/hmi"));
    EXPECT_EQ(SharedVars::AppFolder, QStringLiteral("/opt/hmi/"));
    EXPECT_EQ(SharedVars::DDEDataFolder, QStringLiteral("/opt/hmi/Struct/DDEData/"));
    EXPECT_EQ(SharedVars::TStructFolder, QStringLiteral("/opt/hmi/Struct/TStruct/"));
}
