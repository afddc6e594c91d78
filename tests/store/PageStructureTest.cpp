#include "CntrlTree.h"
#include "Messages.h"
#include "NodeList.h"
#include "PageStructure.h"
#include "SharedVars.h"
#include "TempAppFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace DDEBuilder;

namespace {

const QByteArray WorkedLine = "Main\tS061226043015AM1\tPumps\tPump Status\t\r\n";

NodeList readTree()
{
    NodeList tree;
    PageStructure_Read(tree);
    return tree;
}

} // namespace

TEST(PageStructure, ReadWriteRoundTripIsByteExact)
{
    TempAppFolder app;
    MessageRecorder messages;
    const QByteArray list = WorkedLine + "S061226043015AM1\tS061226043015AM2\tInlet\tInlet valves\t\r\n"
                                         "Main\tS061226043015AM3\tPump 2\t\t\r\n";
    TempAppFolder::write(app.data("PageList.txt"), list);

    NodeList tree = readTree();
    ASSERT_EQ(tree.count(), 4);
    EXPECT_EQ(tree.key(1), QStringLiteral("Main"));
    EXPECT_EQ(tree.tag(1), QStringLiteral("Main Page"));
    EXPECT_EQ(tree.tag(2), QStringLiteral("Pump Status"));
    EXPECT_EQ(tree.image(3), QStringLiteral("c"));
    EXPECT_EQ(CurrentNode, QStringLiteral("S061226043015AM3"));

    QFile::remove(app.data("PageList.txt"));
    EXPECT_TRUE(PageStructure_Write(tree));
    EXPECT_EQ(TempAppFolder::read(app.data("PageList.txt")), list);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST(PageStructure, WritesTheWorkedExampleLine)
{
    TempAppFolder app;
    NodeList tree;
    ASSERT_TRUE(tree.addNode("", "Main", "Main Page", "i", "i").ok());
    ASSERT_TRUE(tree.addNode("Main", "S061226043015AM1", "Pumps", "c", "o").ok());
    tree.setTag(2, "Pump Status");
    EXPECT_TRUE(PageStructure_Write(tree));
    EXPECT_EQ(TempAppFolder::read(app.data("PageList.txt")), WorkedLine);
}

TEST(PageStructure, MissingOrEmptyListGivesRootAlone)
{
    TempAppFolder app;
    MessageRecorder messages;
    EXPECT_EQ(readTree().count(), 1);
    EXPECT_EQ(messages.texts(), QStringList{"Could not find a project, loading empty workspace."});

    messages.clear();
    TempAppFolder::write(app.data("PageList.txt"), "");
    EXPECT_EQ(readTree().count(), 1);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST(PageStructure, MissingFolderShowsErrorThenFolderWarning)
{
    TempAppFolder app(TempAppFolder::Folders::None);
    MessageRecorder messages;
    EXPECT_EQ(readTree().count(), 1);
    ASSERT_EQ(messages.texts().size(), 2);
    EXPECT_EQ(messages.texts()[0], "PageStructure_Read: Path not found (" + app.data("PageList.txt") + ") 76");
    EXPECT_EQ(messages.texts()[1], QStringLiteral("Ensure that the following folders are present\n"
                                                  "app.path\\Struct\\\napp.path\\Struct\\DDEData\n"
                                                  "app.path\\Struct\\TStruct\n"
                                                  "The program will not work correctly if these folders are missing."));
    EXPECT_EQ(messages.entries()[1].icon, Messages::Icon::Exclamation);
}

TEST(PageStructure, BadLinesStopTheReadAndKeepNodesSoFar)
{
    TempAppFolder app;
    MessageRecorder messages;
    struct Case {
        QByteArray list;
        int nodes;
        QString message;
    };
    const Case cases[] = {
        {WorkedLine + "Nobody\tS2\tOrphan\t\t\r\nMain\tS3\tLater\t\t\r\n", 2,
         "Element not found (%1, line 2) 35601"},
        {WorkedLine + "Main\tS061226043015AM1\tTwice\t\t\r\n", 2, "Key is not unique in collection (%1, line 2) 35602"},
        {WorkedLine + "Main\t..\\..\\evil\tX\t\t\r\n", 2, "Bad file name or number (%1, line 2) 52"},
        {WorkedLine + "Main\tAUX\tX\t\t\r\n", 2, "Bad file name or number (%1, line 2) 52"},
        {QByteArray("\x00\x01\xff\x89PNG\x1a\x02", 8) + "\r\n", 1, "Subscript out of range (%1, line 1) 9"},
    };
    for (const Case& c : cases) {
        messages.clear();
        TempAppFolder::write(app.data("PageList.txt"), c.list);
        EXPECT_EQ(readTree().count(), c.nodes) << c.message.toStdString();
        EXPECT_EQ(messages.texts().value(0), "PageStructure_Read: " + c.message.arg(app.data("PageList.txt")));
        EXPECT_EQ(messages.beeps(), 1);
    }
}

TEST(PageStructure, PartlyReadListIsKeptAsideBeforeItIsRewritten)
{
    TempAppFolder app;
    MessageRecorder messages;
    const QString list = app.data("PageList.txt");
    // A blank second line: the next "Add Page" would drop every later page.
    const QByteArray damaged = WorkedLine + "\r\nMain\tS2\tB\t\t\r\nS2\tS3\tC\t\t\r\n";
    TempAppFolder::write(list, damaged);
    NodeList tree = readTree();
    EXPECT_EQ(tree.count(), 2);
    const QStringList copies = QDir(app.data("")).entryList({"PageList.txt.damaged-*"}, QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    ASSERT_EQ(messages.texts().size(), 2);
    EXPECT_TRUE(messages.texts()[1].contains(app.data(copies[0]))) << messages.texts()[1].toStdString();
    EXPECT_TRUE(PageStructure_Write(tree));
    EXPECT_EQ(TempAppFolder::read(list), WorkedLine);
    EXPECT_EQ(TempAppFolder::read(app.data(copies[0])), damaged);

    // Without room for a copy the list is held unchanged until it reads whole.
    QFile::remove(app.data(copies[0]));
    TempAppFolder::write(list, damaged);
    bool written = true;
    {
        FileSizeLimit limit(damaged.size() - 1);
        tree = readTree();
        written = PageStructure_Write(tree);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(TempAppFolder::read(list), damaged);
}

TEST(PageStructure, TreeDeeperThanTheLimitStopsTheRead)
{
    TempAppFolder app;
    MessageRecorder messages;
    QByteArray list = "Main\tS1\tP\t\t\r\n";
    for (int i = 2; i <= 50000; ++i)
        list += "S" + QByteArray::number(i - 1) + "\tS" + QByteArray::number(i) + "\tP\t\t\r\n";
    TempAppFolder::write(app.data("PageList.txt"), list);
    EXPECT_EQ(readTree().count(), NodeCollection::MaxDepth);
    EXPECT_EQ(messages.texts().value(0), "PageStructure_Read: Overflow: nested more than 100 levels deep (" +
                                             app.data("PageList.txt") + ", line 100) 6");
}

TEST(PageStructure, LfOnlyListIsReadAndRewrittenWithCrLf)
{
    TempAppFolder app;
    TempAppFolder::write(app.data("PageList.txt"), "Main\tS1\tA\tTa\t\nS1\tS2\tB\tTb\t\n");
    NodeList tree = readTree();
    ASSERT_EQ(tree.count(), 3);
    EXPECT_TRUE(PageStructure_Write(tree));
    EXPECT_EQ(TempAppFolder::read(app.data("PageList.txt")), QByteArray("Main\tS1\tA\tTa\t\r\nS1\tS2\tB\tTb\t\r\n"));
}

TEST(PageStructure, DeleteTakesSubtreeAndItsFilesOnly)
{
    TempAppFolder app;
    MessageRecorder messages;
    // Pump has a deep subtree; "Pump 2" and a second "Pump" are siblings that must stay.
    TempAppFolder::write(app.data("PageList.txt"), "Main\tS1\tPump\t\t\r\n"
                                                   "S1\tS2\tInlet\t\t\r\n"
                                                   "S2\tS3\tValve\t\t\r\n"
                                                   "Main\tS4\tPump 2\t\t\r\n"
                                                   "S3\tS5\tSeat\t\t\r\n"
                                                   "Main\tS6\tPump\t\t\r\n");
    for (const char* key : {"S1", "S2", "S3", "S4", "S5", "S6"})
        TempAppFolder::write(app.data(QString::fromLatin1(key) + ".txt"), "");
    NodeList tree = readTree();
    tree.select(tree.indexOf("S1"));
    PageStructure_Delete(tree);

    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(tree.count(), 3);
    for (const char* gone : {"S1", "S2", "S3", "S5"})
        EXPECT_FALSE(TempAppFolder::exists(app.data(QString::fromLatin1(gone) + ".txt"))) << gone;
    EXPECT_TRUE(TempAppFolder::exists(app.data("S4.txt")));
    EXPECT_TRUE(TempAppFolder::exists(app.data("S6.txt")));
    EXPECT_EQ(TempAppFolder::read(app.data("PageList.txt")), QByteArray("Main\tS4\tPump 2\t\t\r\nMain\tS6\tPump\t\t\r\n"));
}

TEST(PageStructure, DeleteOfPageWhoseFileIsGoneStillDeletes)
{
    TempAppFolder app;
    MessageRecorder messages;
    TempAppFolder::write(app.data("PageList.txt"), "Main\tS1\tPump\t\t\r\n");
    NodeList tree = readTree();
    tree.select(2);
    PageStructure_Delete(tree);
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(tree.count(), 1);
    EXPECT_EQ(TempAppFolder::read(app.data("PageList.txt")), QByteArray());
}

TEST(PageStructure, FailedWriteReportsAndKeepsOldList)
{
    TempAppFolder app;
    MessageRecorder messages;
    TempAppFolder::write(app.data("PageList.txt"), WorkedLine);
    NodeList tree = readTree();
    tree.setText(2, QString(200, QLatin1Char('R')));
    bool written = true;
    {
        FileSizeLimit limit(WorkedLine.size());
        written = PageStructure_Write(tree);
    }
    EXPECT_FALSE(written);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith("PageStructure_Write: "));
    EXPECT_EQ(TempAppFolder::read(app.data("PageList.txt")), WorkedLine);
}

TEST(PageStructure, ClearTreeEmptiesIt)
{
    TempAppFolder app;
    TempAppFolder::write(app.data("PageList.txt"), WorkedLine);
    NodeList tree = readTree();
    CntrlTree::Clear_Tree(tree);
    EXPECT_EQ(tree.count(), 0);
}
