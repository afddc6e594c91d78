#include "Messages.h"
#include "PageFile.h"
#include "TempAppFolder.h"

#include <gtest/gtest.h>

#include <vector>

using namespace DDEBuilder;

namespace {

const QByteArray WorkedLine = "RSLinx|Line1\tTank_Level\tLevel of tank 1\t1\t1\t0\t\r\n";

// A tag grid: column 0 the mark, column 2 the tag, column 3 its description; row 0 the header.
struct Grid : MarkedRows {
    std::vector<QStringList> rows{{"", "", "Tag", "Description"}};

    void add(bool marked, const QString& tag = QString(), const QString& description = QString())
    {
        rows.push_back({marked ? MarkedRow : UnmarkedRow, "", tag, description});
    }
    int rowCount() const override { return static_cast<int>(rows.size()); }
    QString cell(int row, int column) const override { return rows.at(static_cast<size_t>(row)).value(column); }
};

struct PageFileTest : ::testing::Test {
    TempAppFolder app;
    MessageRecorder messages;
    QString file = app.data("S1.txt");

    void SetUp() override { CurrentPageFile = file; }
    void TearDown() override { CurrentPageFile.clear(); }
    void write(const QByteArray& bytes) { TempAppFolder::write(file, bytes); }
    QByteArray contents() const { return TempAppFolder::read(file); }
};

} // namespace

TEST_F(PageFileTest, ReadsTheWorkedExampleAndUpdateWritesItBack)
{
    write(WorkedLine + "RSLinx|Line1\tProgram:Main.Run\t\t0\t0\t1\t\r\n");
    EXPECT_TRUE(PageFile_Read());
    ASSERT_EQ(TopicCount, 2);
    EXPECT_EQ(Topics[0], (TopicRecord{"RSLinx|Line1", "Tank_Level", "Level of tank 1", true, true, false}));
    EXPECT_EQ(Topics[1], (TopicRecord{"RSLinx|Line1", "Program:Main.Run", "", false, false, true}));

    const auto table = Topics;
    QFile::remove(file);
    EXPECT_TRUE(PageFile_Update());
    EXPECT_EQ(contents(), WorkedLine + "RSLinx|Line1\tProgram:Main.Run\t\t0\t0\t1\t\r\n");
    EXPECT_TRUE(PageFile_Read());
    EXPECT_EQ(Topics, table);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(PageFileTest, EmptyOrMissingFileGivesOneEmptyEntrySilently)
{
    write(WorkedLine);
    ASSERT_TRUE(PageFile_Read());
    ASSERT_EQ(TopicCount, 1);

    for (const QString& path : {file, app.data("Main.txt"), app.path() + "NoFolder/S1.txt", QString()}) {
        write("");
        CurrentPageFile = path;
        EXPECT_TRUE(PageFile_Read());
        EXPECT_EQ(TopicCount, 0) << path.toStdString();
        ASSERT_EQ(Topics.size(), 1u);
        EXPECT_EQ(Topics[0], TopicRecord{});
    }
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(PageFileTest, FlagsAcceptNumbersAndTrueFalse)
{
    struct Case {
        const char* text;
        bool value;
    };
    for (const Case c : {Case{"1", true}, {"0", false}, {"True", true}, {"FALSE", false}, {"true", true},
                         {"-1", true}, {"2", true}, {"0.0", false}, {" 1 ", true}, {"0.5", true}}) {
        write(QByteArray("T\tN7:0\tD\t") + c.text + "\t0\t0\t\r\n");
        ASSERT_TRUE(PageFile_Read()) << c.text;
        EXPECT_EQ(Topics[0].ReadOnly, c.value) << c.text;
    }
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(PageFileTest, BadFlagEndsTheReadKeepingEntriesSoFar)
{
    for (const QByteArray& bad : {QByteArray("yes"), QByteArray(""), QByteArray("1x")}) {
        messages.clear();
        write(WorkedLine + WorkedLine + "T\tN7:1\tD\t1\t" + bad + "\t0\t\r\n" + WorkedLine);
        EXPECT_FALSE(PageFile_Read());
        EXPECT_EQ(messages.texts(), QStringList{"PageFile_Read: Type mismatch 13"}) << bad.constData();
        EXPECT_EQ(TopicCount, 2);
        EXPECT_EQ(Topics[1].Specifier, QStringLiteral("Tank_Level"));
    }
    // A line cut short lacks its flags.
    messages.clear();
    write(WorkedLine + "T\tN7:1\tD\t1\t\r\n");
    EXPECT_FALSE(PageFile_Read());
    EXPECT_EQ(TopicCount, 1);
    EXPECT_EQ(messages.texts(), QStringList{"PageFile_Read: Subscript out of range 9"});
}

TEST_F(PageFileTest, ReadRefusesMoreTopicsThanTheTableHolds)
{
    QByteArray big;
    for (int i = 0; i <= MaxTopics; ++i)
        big += "T\tN7:0\t\t0\t0\t0\t\r\n";
    write(big);
    EXPECT_FALSE(PageFile_Read());
    EXPECT_EQ(messages.texts(), QStringList{"PageFile_Read: Overflow 6"});
    EXPECT_EQ(TopicCount, 0);

    // Adding beyond the limit is refused before anything is written.
    messages.clear();
    big.chop(big.size() / (MaxTopics + 1));
    write(big);
    Grid grid;
    grid.add(true, "N7:1");
    EXPECT_FALSE(PageFile_Add(grid, "Line1"));
    EXPECT_EQ(messages.texts(), QStringList{"PageFile_Add: Overflow 6"});
    EXPECT_EQ(contents(), big);
}

TEST_F(PageFileTest, AddAppendsMarkedRowsOnly)
{
    write(WorkedLine);
    Grid grid;
    grid.add(false, "N7:0", "skipped");
    grid.add(true, "Tank_Level", "Level of tank 1");
    grid.add(false, "N7:2", "skipped");
    grid.add(true, "Run", "Motor\trunning");
    EXPECT_TRUE(PageFile_Add(grid, "Line1"));
    EXPECT_EQ(contents(), WorkedLine + WorkedLine + "RSLinx|Line1\tRun\tMotor running\t1\t1\t0\t\r\n");

    write("");
    EXPECT_TRUE(PageFile_Add(grid, "PLC5", "MainProgram"));
    EXPECT_EQ(contents(), QByteArray("RSLinx|PLC5\tProgram:MainProgram.Tank_Level\tLevel of tank 1\t1\t1\t0\t\r\n"
                                     "RSLinx|PLC5\tProgram:MainProgram.Run\tMotor running\t1\t1\t0\t\r\n"));

    write(WorkedLine);
    Grid none;
    none.add(false, "N7:0");
    EXPECT_TRUE(PageFile_Add(none, "Line1"));
    EXPECT_EQ(contents(), WorkedLine);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(PageFileTest, RemoveKeepsUnmarkedRowsOnly)
{
    const QByteArray three = "T\tA\t\t0\t0\t0\t\r\nT\tB\t\t0\t0\t0\t\r\nT\tC\t\t0\t0\t0\t\r\n";
    auto gridOf = [](std::initializer_list<bool> marks) {
        Grid g;
        for (bool m : marks)
            g.add(m);
        return g;
    };
    write(three);
    EXPECT_TRUE(PageFile_Remove(gridOf({false, false, false})));
    EXPECT_EQ(contents(), three);
    EXPECT_TRUE(PageFile_Remove(gridOf({false, true, false})));
    EXPECT_EQ(contents(), QByteArray("T\tA\t\t0\t0\t0\t\r\nT\tC\t\t0\t0\t0\t\r\n"));
    EXPECT_TRUE(PageFile_Remove(gridOf({true, true})));
    EXPECT_EQ(contents(), QByteArray());
    EXPECT_TRUE(messages.texts().isEmpty());

    // A grid with fewer rows than the file would silently drop lines: the file stays whole.
    write(three);
    EXPECT_FALSE(PageFile_Remove(gridOf({true})));
    EXPECT_EQ(messages.texts(), QStringList{"PageFile_Remove: Subscript out of range 9"});
    EXPECT_EQ(contents(), three);
}

TEST_F(PageFileTest, FailuresAreReportedAndKeepTheOldFile)
{
    write(WorkedLine);
    ASSERT_TRUE(PageFile_Read());
    Topics[0].Description = QString(300, QLatin1Char('x'));
    {
        FileSizeLimit limit(WorkedLine.size());
        EXPECT_FALSE(PageFile_Update());
    }
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith("PageFile_Update: "));
    EXPECT_EQ(contents(), WorkedLine);

    messages.clear();
    CurrentPageFile = app.data("Gone.txt");
    Grid grid;
    grid.add(true);
    EXPECT_FALSE(PageFile_Remove(grid));
    EXPECT_EQ(messages.texts(), QStringList{"PageFile_Remove: File not found 53"});
}
