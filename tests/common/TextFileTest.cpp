#include "TempAppFolder.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

TEST(TextFile, ReadsAnyLineEndAndWritesCrLf)
{
    TempAppFolder app;
    const QString file = app.path() + "mixed.txt";
    TempAppFolder::write(file, QByteArray("one\r\ntwo\nthree\rfour"));
    const auto lines = TextFile::readLines(file);
    ASSERT_TRUE(lines.ok());
    EXPECT_EQ(*lines, (QStringList{"one", "two", "three", "four"}));

    ASSERT_TRUE(TextFile::writeLines(file, *lines).ok());
    EXPECT_EQ(TempAppFolder::read(file), QByteArray("one\r\ntwo\r\nthree\r\nfour\r\n"));
}

TEST(TextFile, EveryByteRoundTrips)
{
    TempAppFolder app;
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            bytes += static_cast<char>(b);
    bytes += "\r\n";
    const QString file = app.path() + "bytes.txt";
    TempAppFolder::write(file, bytes);
    const auto lines = TextFile::readLines(file);
    ASSERT_TRUE(lines.ok());
    ASSERT_TRUE(TextFile::writeLines(file, *lines).ok());
    EXPECT_EQ(TempAppFolder::read(file), bytes);
}

TEST(TextFile, ErrorsCarryTheirNumbers)
{
    TempAppFolder app;
    EXPECT_EQ(TextFile::readLines(app.path() + "none.txt").error().number, 53);
    EXPECT_EQ(TextFile::readLines(app.path() + "nofolder/none.txt").error().number, 76);
    EXPECT_EQ(TextFile::writeLines(app.path() + "nofolder/x.txt", {"a"}).error().number, 76);
}

TEST(TextFile, FailedRewriteLeavesOldFileWhole)
{
    TempAppFolder app;
    const QString file = app.path() + "list.txt";
    TempAppFolder::write(file, "old\r\n");
    {
        FileSizeLimit limit(16);
        EXPECT_FALSE(TextFile::writeLines(file, {QString(100, QLatin1Char('n'))}).ok());
    }
    EXPECT_EQ(TempAppFolder::read(file), QByteArray("old\r\n"));
    EXPECT_EQ(QDir(app.path()).entryList(QDir::Files), QStringList{"list.txt"});
}

TEST(TextFile, PlainFileNamesStayInTheirFolder)
{
    EXPECT_TRUE(TextFile::isPlainFileName("S061226043015PM1"));
    EXPECT_TRUE(TextFile::isPlainFileName("Line 1.prj"));
    EXPECT_TRUE(TextFile::isPlainFileName("Console.prj"));
    EXPECT_TRUE(TextFile::isPlainFileName("COM10"));
    for (const char* bad :
         {"", "../x", "..", "a/b", "a\\b", "c:x", "a\tb", "a*", "CON", "con.prj", "Nul .txt", "lpt1.stc"})
        EXPECT_FALSE(TextFile::isPlainFileName(QString::fromLatin1(bad))) << bad;
}
