#include "NodeList.h"
#include "TempAppFolder.h"
#include "ViewerProject.h"

#include <gtest/gtest.h>

using namespace ViewerProject;

namespace {

const QByteArray Project = "Main\tS1\tPumps\tPump Status\t\r\n"
                           "S1\tS2\tInlet\tInlet Valves\t\r\n"
                           "Begin Topics\r\n"
                           "Main\tS9\tAfter\tNot a page\t\r\n"
                           "#S1\r\n"
                           "RSLinx|Line1\tN7:0\tLevel\t1\t1\t0\t\r\n"
                           "RSLinx|Line1\tN7:1\tSetpoint\t0\t1\t0\t\r\n"
                           "#not a header\r\n"
                           "RSLinx|Line1\tN7:2\tStray\t0\t0\t0\t\r\n"
                           "#S2\r\n"
                           "RSLinx|Line1\tB3:0/0\tRun\tTrue\tFalse\t-1\t\r\n";

} // namespace

TEST(ViewerProject, TreeStopsAtBeginTopicsAndShowsProjectName)
{
    TempAppFolder app;
    TempAppFolder::write(app.path() + "Plant.prj", Project);
    NodeList tree;
    ASSERT_TRUE(Read_Tree(app.path() + "Plant.prj", "Plant", tree).ok());
    ASSERT_EQ(tree.count(), 3);
    EXPECT_EQ(tree.text(1), QStringLiteral("Plant"));
    EXPECT_EQ(tree.tag(1), QStringLiteral("Main Page"));
    EXPECT_EQ(tree.tag(3), QStringLiteral("Inlet Valves"));
    EXPECT_EQ(tree.indexOf("S9"), 0);
}

TEST(ViewerProject, SectionEndsAtNextHashLineAndProtectsUntilLogon)
{
    TempAppFolder app;
    TempAppFolder::write(app.path() + "Plant.prj", Project);
    PageTopics page;
    ASSERT_TRUE(Read_Page(app.path() + "Plant.prj", "S1", false, page).ok());
    ASSERT_EQ(page.TopicCount, 2);
    EXPECT_EQ(page.Topics.size(), 3u);
    EXPECT_EQ(page.Topics[1].Specifier, QStringLiteral("N7:1"));
    EXPECT_TRUE(page.Topics[1].ReadOnly) << "protected topics are read-only while nobody is logged on";

    ASSERT_TRUE(Read_Page(app.path() + "Plant.prj", "S1", true, page).ok());
    EXPECT_FALSE(page.Topics[1].ReadOnly);

    ASSERT_TRUE(Read_Page(app.path() + "Plant.prj", "S2", false, page).ok());
    ASSERT_EQ(page.TopicCount, 1);
    EXPECT_TRUE(page.Topics[0].ReadOnly);
    EXPECT_TRUE(page.Topics[0].Bool);

    ASSERT_TRUE(Read_Page(app.path() + "Plant.prj", "S7", false, page).ok());
    EXPECT_EQ(page.TopicCount, 0);
    EXPECT_EQ(page.Topics.size(), 1u);
}

TEST(ViewerProject, DamagedFilesKeepWhatWasRead)
{
    TempAppFolder app;
    const QString file = app.path() + "Bad.prj";
    TempAppFolder::write(file, "#S1\r\nRSLinx|A\tN7:0\tOk\t0\t0\t0\t\r\nRSLinx|A\tN7:1\tBad\tmaybe\t0\t0\t\r\n"
                               "RSLinx|A\tN7:2\tLost\t0\t0\t0\t\r\n");
    PageTopics page;
    const Status read = Read_Page(file, "S1", false, page);
    EXPECT_EQ(read.error().number, 13);
    EXPECT_EQ(page.TopicCount, 1);

    // Binary junk without "Begin Topics": the root, then a clear failure; no crash.
    TempAppFolder::write(file, QByteArray("\x00\x01\x02\xff\r\n\x89PNG", 10));
    NodeList tree;
    EXPECT_FALSE(Read_Tree(file, "Bad", tree).ok());
    EXPECT_EQ(tree.count(), 1);

    NodeList none;
    EXPECT_EQ(Read_Tree(app.path() + "Missing.prj", "Missing", none).error().number, 53);
    TempAppFolder::write(file, "");
    NodeList empty;
    EXPECT_TRUE(Read_Tree(file, "Bad", empty).ok());
    EXPECT_EQ(empty.count(), 1);
}

// The page tree is expanded whole at once, recursively: a hostile project must not overflow the stack.
TEST(ViewerProject, TreeDeeperThanTheLimitStopsTheRead)
{
    TempAppFolder app;
    const QString file = app.path() + "Deep.prj";
    QByteArray project = "Main\tS1\tP\t\t\r\n";
    for (int i = 2; i <= 50000; ++i)
        project += "S" + QByteArray::number(i - 1) + "\tS" + QByteArray::number(i) + "\tP\t\t\r\n";
    TempAppFolder::write(file, project);
    NodeList tree;
    const Status read = Read_Tree(file, "Deep", tree);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().text(), "Overflow: nested more than 100 levels deep (" + file + ", line 100) 6");
    EXPECT_EQ(tree.count(), NodeCollection::MaxDepth);
}
