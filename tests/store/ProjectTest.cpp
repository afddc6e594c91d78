#include "Messages.h"
#include "NodeList.h"
#include "PageFile.h"
#include "PageStructure.h"
#include "Project.h"
#include "SharedVars.h"
#include "TempAppFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QMap>

#include <gtest/gtest.h>

namespace {

const QByteArray PageList = "Main\tS061226043015AM1\tPumps\tPump Status\t\r\n"
                            "S061226043015AM1\tS061226043015AM2\tInlet\tInlet valves\t\r\n";
const QByteArray Topic = "RSLinx|Line1\tTank_Level\tLevel of tank 1\t1\t1\t0\t\r\n";

// Every file under a folder with its bytes, so "left as it was" is checked whole.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path.mid(folder.size()), TempAppFolder::read(path));
    }
    return files;
}

struct ProjectTest : ::testing::Test {
    TempAppFolder app;
    MessageRecorder messages;
    QString folder = SharedVars::DDEDataFolder;

    void workspace()
    {
        TempAppFolder::write(app.data("PageList.txt"), PageList);
        TempAppFolder::write(app.data("S061226043015AM1.txt"), Topic);
        TempAppFolder::write(app.data("S061226043015AM2.txt"), "");
    }
};

} // namespace

TEST_F(ProjectTest, SaveThenLoadReproducesTheWorkspaceByteForByte)
{
    workspace();
    TempAppFolder::write(app.data("Notes.txt"), "not a page\r\n");
    ASSERT_TRUE(Project::SaveProject(folder, "Plant").ok());
    // Pages in file-name order; an empty page gives its "#" line alone; other .txt files stay out.
    EXPECT_EQ(TempAppFolder::read(app.data("Plant.prj")),
              PageList + "Begin Topics\r\n#S061226043015AM1\r\n" + Topic + "#S061226043015AM2\r\n");
    QFile::remove(app.data("Notes.txt"));
    const auto before = snapshot(folder);

    ASSERT_TRUE(Project::New_Workspace(folder).ok());
    EXPECT_EQ(snapshot(folder).keys(), (QStringList{"PageList.txt", "Plant.prj"}));

    // A page the project lacks does not survive the load.
    TempAppFolder::write(app.data("S999.txt"), Topic);
    ASSERT_TRUE(Project::LoadProject(folder, "Plant.prj").ok());
    EXPECT_EQ(snapshot(folder), before);
}

TEST_F(ProjectTest, UnreadableProjectOrBadKeyLeavesTheWorkspaceUntouched)
{
    workspace();
    QDir(folder).mkdir("Folder.prj");
    const auto before = snapshot(app.path());
    for (const char* project : {"Missing.prj", "Folder.prj", "", "../Struct/DDEData/PageList.txt"}) {
        EXPECT_FALSE(Project::LoadProject(folder, project).ok()) << project;
        EXPECT_EQ(snapshot(app.path()), before) << project;
    }

    for (const char* key :
         {"../../evil", "..\\evil", "sub/evil", "/tmp/evil", "C:evil", "", "pagelist", "S1\tPumps", "NUL", "com3"}) {
        const QByteArray project = PageList + "Begin Topics\r\n#S1\r\n" + Topic + "#" + key + "\r\n" + Topic;
        TempAppFolder::write(app.data("Bad.prj"), project);
        const Status loaded = Project::LoadProject(folder, "Bad.prj");
        ASSERT_FALSE(loaded.ok()) << key;
        EXPECT_EQ(loaded.error().number, ErrNo::BadFileName);
        auto expected = before;
        expected.insert("Struct/DDEData/Bad.prj", project);
        EXPECT_EQ(snapshot(app.path()), expected) << key;
    }
    EXPECT_FALSE(QFile::exists("/tmp/evil.txt"));
}

TEST_F(ProjectTest, DamagedProjectsLoadWhatTheyCan)
{
    const std::pair<QByteArray, QMap<QString, QByteArray>> cases[] = {
        {"", {{"PageList.txt", ""}}},
        {PageList + "Begin Topics\r\n#S1\r\n" + Topic + "#S2\r\nRSLinx|Li",
         {{"PageList.txt", PageList}, {"S1.txt", Topic}, {"S2.txt", "RSLinx|Li\r\n"}}},
    };
    for (const auto& [project, files] : cases) {
        workspace();
        TempAppFolder::write(app.data("Damaged.prj"), project);
        EXPECT_TRUE(Project::LoadProject(folder, "Damaged.prj").ok());
        auto expected = files;
        expected.insert("Damaged.prj", project);
        EXPECT_EQ(snapshot(folder), expected) << project.constData();
    }
}

// The next page edit would rewrite such a list from the part that can be read.
TEST_F(ProjectTest, ProjectWithADamagedPageListIsRefused)
{
    const QByteArray binary("\x00\x01\xff#\x89PNG\r\n\x1a\x02#\x00..\r", 17);
    const std::pair<QByteArray, QString> cases[] = {
        {PageList + "#S1\r\n" + Topic, "Subscript out of range (%1, line 3) 9"},
        {"Main\tS1\tA\t\t\r\n\r\nMain\tS2\tB\t\t\r\nBegin Topics\r\n", "Subscript out of range (%1, line 2) 9"},
        {binary, "Subscript out of range (%1, line 1) 9"},
    };
    workspace();
    for (const auto& [project, message] : cases) {
        TempAppFolder::write(app.data("Damaged.prj"), project);
        const auto before = snapshot(folder);
        const Status loaded = Project::LoadProject(folder, "Damaged.prj");
        ASSERT_FALSE(loaded.ok()) << project.constData();
        EXPECT_EQ(loaded.error().text(), message.arg(app.data("Damaged.prj")));
        EXPECT_EQ(snapshot(folder), before);
    }
}

TEST_F(ProjectTest, FailedLoadLeavesTheOldWorkspace)
{
    workspace();
    const QByteArray big = Topic.repeated(20);
    TempAppFolder::write(app.data("Big.prj"), PageList + "Begin Topics\r\n#S1\r\n" + Topic + "#S2\r\n" + big);
    const auto before = snapshot(folder);
    Status loaded;
    {
        // Room for every file but the last one.
        FileSizeLimit limit(big.size() - 1);
        loaded = Project::LoadProject(folder, "Big.prj");
    }
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.error().text(),
              "Path/File access error; the workspace was left as it was (" + app.data("S2.txt") + ") 75");
    EXPECT_EQ(snapshot(folder), before);

    // A folder in the way of the last page file stops the swap half-way: the old files come back.
    QDir(folder).mkdir("S2.txt");
    loaded = Project::LoadProject(folder, "Big.prj");
    ASSERT_FALSE(loaded.ok());
    EXPECT_TRUE(loaded.error().text().endsWith("(" + app.data("S2.txt") + ") 75"))
        << loaded.error().text().toStdString();
    EXPECT_EQ(snapshot(folder), before);
}

TEST_F(ProjectTest, OldFormatImportsWithAllFieldsIntact)
{
    TempAppFolder::write(app.data("Old.prj"), "Main\tS1\tPumps\tPump Status\r\n"
                                              "S1\tS2\tInlet\t\r\n"
                                              "Begin Topics\r\n"
                                              "#S1\tPumps\tPump Status\r\n"
                                              "RSLinx|Line1\tTank_Level\tLevel of tank 1\tTrue\tFalse\t0\r\n"
                                              "#S2\tInlet\r\n");
    ASSERT_TRUE(Project::ImportProject(folder, "Old.prj").ok());
    ASSERT_TRUE(Project::LoadProject(folder, "Old.prj").ok());

    NodeList tree;
    DDEBuilder::PageStructure_Read(tree);
    ASSERT_EQ(tree.count(), 3);
    EXPECT_EQ(tree.tag(2), QStringLiteral("Pump Status"));
    EXPECT_EQ(tree.parentKey(3), QStringLiteral("S1"));
    EXPECT_EQ(tree.tag(3), QString());

    DDEBuilder::CurrentPageFile = app.data("S1.txt");
    ASSERT_TRUE(DDEBuilder::PageFile_Read());
    ASSERT_EQ(DDEBuilder::TopicCount, 1);
    EXPECT_EQ(DDEBuilder::Topics[0], (TopicRecord{"RSLinx|Line1", "Tank_Level", "Level of tank 1", true, false, false}));
    EXPECT_EQ(TempAppFolder::read(app.data("S2.txt")), QByteArray());
    EXPECT_TRUE(messages.texts().isEmpty());
    DDEBuilder::CurrentPageFile.clear();
}

TEST_F(ProjectTest, SaveRefusesUnsafeNamesAndAMissingPageList)
{
    workspace();
    const auto before = snapshot(app.path());
    for (const char* name : {"", "../Plant", "a/b", "a\\b", "..", "CON", "lpt1", "Plant.", "Plant "})
        EXPECT_EQ(Project::SaveProject(folder, name).error().number, ErrNo::BadFileName) << name;
    EXPECT_EQ(snapshot(app.path()), before);

    QFile::remove(app.data("PageList.txt"));
    EXPECT_EQ(Project::SaveProject(folder, "Plant").error().text(),
              "File not found (" + app.data("PageList.txt") + ") 53");
    EXPECT_FALSE(TempAppFolder::exists(app.data("Plant.prj")));
}
