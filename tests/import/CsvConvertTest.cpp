#include "CsvFile.h"
#include "Messages.h"
#include "TempAppFolder.h"

#include <gtest/gtest.h>

using FileIO::Convert_CSV_to_TXT;
using FileIO::Get_File_Name;

TEST(CsvConvert, FieldsQuotesAndLineEnds) {
    TempAppFolder app;
    MessageRecorder messages;
    // CR LF, LF and CR line ends in one file; every output line ends CR LF.
    TempAppFolder::write(app.path() + "in.csv", "B3:0/1,\"Start button\",,\"Motor 1\"\r\n"
                                                "\"Level, in percent\",x\n"
                                                "a,b,\r"
                                                "\r\n"
                                                "a , b\r\n"
                                                "\"say \"\"hi\"\"\",\"tab\there\"\r\n"
                                                "\xe9t\xe9");
    ASSERT_TRUE(Convert_CSV_to_TXT(app.path() + "in.csv", app.path() + "out.txt").ok());
    EXPECT_EQ(TempAppFolder::read(app.path() + "out.txt"), QByteArray("B3:0/1\tStart button\t\tMotor 1\t\r\n"
                                                                      "Level, in percent\tx\t\r\n"
                                                                      "a\tb\t\t\r\n"
                                                                      "\t\r\n"
                                                                      "a \t b\t\r\n"
                                                                      "say hi\ttab here\t\r\n"
                                                                      "\xe9t\xe9\t\r\n"));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST(CsvConvert, FailuresAreReportedOnce) {
    TempAppFolder app;
    MessageRecorder messages;
    EXPECT_FALSE(Convert_CSV_to_TXT(app.path() + "missing.csv", app.path() + "out.txt").ok());
    EXPECT_EQ(messages.texts(), QStringList{"Convert_CSV_to_TXT: File not found # 53"});
    EXPECT_FALSE(TempAppFolder::exists(app.path() + "out.txt"));

    messages.clear();
    TempAppFolder::write(app.path() + "in.csv", "a,b\r\n");
    EXPECT_FALSE(Convert_CSV_to_TXT(app.path() + "in.csv", app.path() + "nowhere/out.txt").ok());
    EXPECT_EQ(messages.texts(), QStringList{"Convert_CSV_to_TXT: Path not found # 76"});
}

TEST(CsvConvert, FileNameAfterEitherSeparator) {
    EXPECT_EQ(Get_File_Name("C:\\Exports\\Line1.csv"), "Line1.csv");
    EXPECT_EQ(Get_File_Name("Line1.csv"), "Line1.csv");
    EXPECT_EQ(Get_File_Name("/home/eng/exports/Line1.csv"), "Line1.csv");
    EXPECT_EQ(Get_File_Name("C:\\Exports/sub\\Line 2.csv"), "Line 2.csv");
    EXPECT_EQ(Get_File_Name("C:\\Exports\\"), "");
}
