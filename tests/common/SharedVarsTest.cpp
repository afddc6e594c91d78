#include "SharedVars.h"

#include <QCoreApplication>
#include <QLocale>
#include <QProcess>

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

// The stamp goes into page keys: a Chinese "PM" was written as "??" and the key refused at the next start.
TEST(SharedVars, StampIsPlainLatin1WhateverTheLocale)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const QString stamp = SharedVars::Format_Stamp(QDateTime(QDate(2026, 12, 6), QTime(16, 30, 15)));
    QLocale::setDefault(before);
    EXPECT_EQ(stamp, QStringLiteral("061226043015PM"));

    // The system locale is fixed at start, so the same check runs again in a process started in Chinese.
    if (QLocale::system().language() == QLocale::Chinese)
        return;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("zh_CN.UTF-8"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=SharedVars.StampIsPlainLatin1WhateverTheLocale")});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAll().toStdString();
}

TEST(SharedVars, PathsEndWithSeparator)
{
    SharedVars::Init_Paths(QStringLiteral("/opt/hmi"));
    EXPECT_EQ(SharedVars::AppFolder, QStringLiteral("/opt/hmi/"));
    EXPECT_EQ(SharedVars::DDEDataFolder, QStringLiteral("/opt/hmi/Struct/DDEData/"));
    EXPECT_EQ(SharedVars::TStructFolder, QStringLiteral("/opt/hmi/Struct/TStruct/"));
}
