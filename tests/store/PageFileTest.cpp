#include "Messages.h"
#include "PageFile.h"
#include "TempAppFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <vector>

using namespace DDEBuilder;

namespace {

const QByteArray WorkedLine = "RSLinx|Line1\tTank_Level\tLevel of tank 1\t1\t1\t0\t\r\n";

// A tag grid: column 0 the mark, column 2 the tag, column 3 its description; row 0 the header.
struct Grid : MarkedRows {
    std::vector<QStringList> rows{{"", "", "Tag", "Description"}};

    Grid(std::initializer_list<bool> marks = {})
    {
        for (bool m : marks)
            add(m);
    }
    void add(bool marked, const QString& tag = {}, const QString& description = {})
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

TEST_F(PageFileTest, ReadThenUpdateReproducesTheFile)
{
    write(WorkedLine + "RSLinx|Line1\tProgram:Main.Run\t\tFalse\t-1\tTrue\t\r\n");
    ASSERT_TRUE(PageFile_Read());
    ASSERT_EQ(TopicCount, 2);
    EXPECT_EQ(Topics[0], (TopicRecord{"RSLinx|Line1", "Tank_Level", "Level of tank 1", true, true, false}));
    EXPECT_EQ(Topics[1], (TopicRecord{"RSLinx|Line1", "Program:Main.Run", "", false, true, true}));

    // Flags are written back as 1 and 0; a TAB typed into a description must not shift the fields.
    Topics[1].Description = "Motor\trunning";
    ASSERT_TRUE(PageFile_Update());
    EXPECT_EQ(contents(), WorkedLine + "RSLinx|Line1\tProgram:Main.Run\tMotor running\t0\t1\t1\t\r\n");
    EXPECT_TRUE(messages.texts().isEmpty());

    // A description Latin-1 cannot hold is refused, naming the characters, before the page is touched.
    const QByteArray before = contents();
    Topics[1].Description = QStringLiteral("Motor 5 \u03a9 \u2013 20 \u20ac");
    EXPECT_FALSE(PageFile_Update());
    EXPECT_EQ(contents(), before);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].contains(QStringLiteral("(\u03a9\u2013\u20ac)")))
        << messages.texts()[0].toStdString();
}

TEST_F(PageFileTest, EmptyOrMissingFileGivesOneEmptyEntrySilently)
{
    for (const QString& path : {file, app.data("Main.txt"), QString()}) {
        write(WorkedLine);
        ASSERT_TRUE(PageFile_Read());
        write("");
        CurrentPageFile = path;
        EXPECT_TRUE(PageFile_Read());
        EXPECT_EQ(TopicCount, 0) << path.toStdString();
        EXPECT_EQ(Topics, std::vector<TopicRecord>(1));
    }
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(PageFileTest, BadFlagEndsTheReadKeepingEntriesSoFar)
{
    for (const QByteArray& bad : {QByteArray("yes"), QByteArray(""), QByteArray("1x")}) {
        messages.clear();
        write(WorkedLine + WorkedLine + "T\tN7:1\tD\t1\t" + bad + "\t0\t\r\n" + WorkedLine);
        EXPECT_FALSE(PageFile_Read());
        ASSERT_FALSE(messages.texts().isEmpty());
        EXPECT_EQ(messages.texts()[0], "PageFile_Read: Type mismatch (" + file + ", line 3) 13") << bad.constData();
        EXPECT_EQ(TopicCount, 2);
        EXPECT_EQ(Topics[1].Specifier, QStringLiteral("Tank_Level"));
    }
}

TEST_F(PageFileTest, PartlyReadPageIsKeptAsideBeforeItIsRewritten)
{
    const QByteArray damaged = WorkedLine + "\r\n" + WorkedLine + WorkedLine;
    const QString copyName = "S1.txt.damaged-";
    auto copies = [&] { return QDir(app.data("")).entryList({copyName + "*"}, QDir::Files); };
    write(damaged);
    EXPECT_FALSE(PageFile_Read());
    ASSERT_EQ(copies().size(), 1);
    const QString copy = app.data(copies()[0]);
    EXPECT_EQ(TempAppFolder::read(copy), damaged);
    ASSERT_EQ(messages.texts().size(), 2);
    EXPECT_EQ(messages.texts()[0], "PageFile_Read: Subscript out of range (" + file + ", line 2) 9");
    EXPECT_TRUE(messages.texts()[1].contains(copy)) << messages.texts()[1].toStdString();

    // Opening the damaged page again reuses the copy; the flag click that rewrites it loses nothing.
    EXPECT_FALSE(PageFile_Read());
    EXPECT_EQ(copies().size(), 1);
    Topics[0].Bool = true;
    EXPECT_TRUE(PageFile_Update());
    EXPECT_EQ(contents(), "RSLinx|Line1\tTank_Level\tLevel of tank 1\t1\t1\t1\t\r\n");
    EXPECT_EQ(TempAppFolder::read(copy), damaged);

    // Without room for a copy the page is held unchanged until it reads whole.
    QFile::remove(copy);
    write(damaged);
    messages.clear();
    {
        FileSizeLimit limit(damaged.size() - 1);
        EXPECT_FALSE(PageFile_Read());
        EXPECT_FALSE(PageFile_Update());
    }
    EXPECT_EQ(contents(), damaged);
    EXPECT_TRUE(copies().isEmpty());
    ASSERT_EQ(messages.texts().size(), 3);
    EXPECT_TRUE(messages.texts()[1].contains("left unchanged until it is mended"));
    EXPECT_TRUE(messages.texts()[2].startsWith("PageFile_Update: Permission denied"))
        << messages.texts()[2].toStdString();
    write(WorkedLine);
    EXPECT_TRUE(PageFile_Read());
    EXPECT_TRUE(PageFile_Update());
}

TEST_F(PageFileTest, AddAppendsMarkedRowsOnly)
{
    write(WorkedLine);
    Grid grid;
    grid.add(false, "N7:0", "skipped");
    grid.add(true, "Tank_Level", "Level of tank 1");
    grid.add(true, "Run", "Motor");
    EXPECT_TRUE(PageFile_Add(grid, "Line1"));
    EXPECT_EQ(contents(), WorkedLine + WorkedLine + "RSLinx|Line1\tRun\tMotor\t1\t1\t0\t\r\n");

    write("");
    EXPECT_TRUE(PageFile_Add(grid, "PLC5", "MainProgram"));
    EXPECT_TRUE(contents().startsWith("RSLinx|PLC5\tProgram:MainProgram.Tank_Level\tLevel of tank 1\t1\t1\t0\t\r\n"));

    write(WorkedLine);
    EXPECT_TRUE(PageFile_Add(Grid{false, false}, "Line1"));
    EXPECT_EQ(contents(), WorkedLine);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(PageFileTest, RemoveKeepsUnmarkedRowsAndNeverDropsUnseenLines)
{
    const QByteArray three = "T\tA\t\t0\t0\t0\t\r\nT\tB\t\t0\t0\t0\t\r\nT\tC\t\t0\t0\t0\t\r\n";
    write(three);
    EXPECT_TRUE(PageFile_Remove(Grid{false, false, false}));
    EXPECT_EQ(contents(), three);
    EXPECT_TRUE(PageFile_Remove(Grid{false, true, false}));
    EXPECT_EQ(contents(), QByteArray("T\tA\t\t0\t0\t0\t\r\nT\tC\t\t0\t0\t0\t\r\n"));
    EXPECT_TRUE(PageFile_Remove(Grid{true, true}));
    EXPECT_EQ(contents(), QByteArray());
    EXPECT_TRUE(messages.texts().isEmpty());

    // A grid with fewer rows than the file cannot say which lines to keep.
    write(three);
    EXPECT_FALSE(PageFile_Remove(Grid{true}));
    EXPECT_EQ(messages.texts(), QStringList{"PageFile_Remove: Subscript out of range (" + file + ", line 2) 9"});
    EXPECT_EQ(contents(), three);
}

TEST_F(PageFileTest, PageBeyondTheTableLimitIsRefused)
{
    QByteArray full;
    for (int i = 0; i < MaxTopics; ++i)
        full += "T\tN7:0\t\t0\t0\t0\t\r\n";
    write(full);
    Grid grid;
    grid.add(true, "N7:1");
    EXPECT_FALSE(PageFile_Add(grid, "Line1"));
    EXPECT_EQ(contents(), full);

    write(full + "T\tN7:0\t\t0\t0\t0\t\r\n");
    EXPECT_FALSE(PageFile_Read());
    EXPECT_EQ(TopicCount, 0);
    ASSERT_GE(messages.texts().size(), 2);
    EXPECT_EQ(messages.texts()[0], "PageFile_Add: Overflow (" + file + ") 6");
    EXPECT_EQ(messages.texts()[1], "PageFile_Read: Overflow (" + file + ", line 32768) 6");
}

TEST_F(PageFileTest, FailedAddLeavesThePageAsItWas)
{
    write(WorkedLine);
    Grid grid;
    for (int i = 0; i < 3; ++i)
        grid.add(true, "Tank_Level", "Level of tank 1");
    bool added = true;
    {
        FileSizeLimit limit(2 * WorkedLine.size());
        added = PageFile_Add(grid, "Line1");
    }
    EXPECT_FALSE(added);
    EXPECT_EQ(contents(), WorkedLine);
    EXPECT_EQ(messages.texts(),
              QStringList{"PageFile_Add: Path/File access error; nothing was added (" + file + ") 75"});
}
