#include "FileIO.h"
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

// Every file under a folder with its bytes, so "left as it was" can be checked whole.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path, TempAppFolder::read(path));
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

TEST_F(ProjectTest, SaveWritesTheProjectFormat)
{
    TempAppFolder::write(app.data("PageList.txt"), "Main\tS061226043015AM1\tPumps\tPump Status\t\r\n");
    TempAppFolder::write(app.data("S061226043015AM1.txt"), Topic);
    ASSERT_TRUE(Project::SaveProject(folder, "Plant").ok());
    EXPECT_EQ(TempAppFolder::read(app.data("Plant.prj")),
              "Main\tS061226043015AM1\tPumps\tPump Status\t\r\nBegin Topics\r\n#S061226043015AM1\r\n" + Topic);

    // Only files named like pages are packed, alphabetically without regard to case; an empty page gives its
    // "#" line alone; an existing project is replaced.
    TempAppFolder::write(app.data("s2.txt"), "lower\r\n");
    TempAppFolder::write(app.data("Sb.txt"), "b\r\n");
    TempAppFolder::write(app.data("SA.txt"), "");
    TempAppFolder::write(app.data("Notes.txt"), "not a page\r\n");
    ASSERT_TRUE(Project::SaveProject(folder, "Plant").ok());
    EXPECT_EQ(TempAppFolder::read(app.data("Plant.prj")),
              "Main\tS061226043015AM1\tPumps\tPump Status\t\r\nBegin Topics\r\n#S061226043015AM1\r\n" + Topic +
                  "#SA\r\n#Sb\r\nb\r\n");
}

TEST_F(ProjectTest, SaveThenLoadReproducesTheWorkspaceByteForByte)
{
    workspace();
    const auto before = snapshot(folder);
    ASSERT_TRUE(Project::SaveProject(folder, "Plant").ok());

    ASSERT_TRUE(Project::New_Workspace(folder).ok());
    EXPECT_EQ(TempAppFolder::read(app.data("PageList.txt")), QByteArray());
    EXPECT_FALSE(TempAppFolder::exists(app.data("S061226043015AM1.txt")));
    EXPECT_TRUE(TempAppFolder::exists(app.data("Plant.prj")));

    // A page the project lacks must not survive the load.
    TempAppFolder::write(app.data("S999.txt"), Topic);
    ASSERT_TRUE(Project::LoadProject(folder, "Plant.prj").ok());
    auto after = snapshot(folder);
    after.remove(app.data("Plant.prj"));
    EXPECT_EQ(after, before);
}

TEST_F(ProjectTest, UnreadableProjectLeavesTheWorkspaceUntouched)
{
    workspace();
    QDir(folder).mkdir("Folder.prj");
    const auto before = snapshot(app.path());
    for (const char* project : {"Missing.prj", "Folder.prj", "", "../Struct/DDEData/PageList.txt"}) {
        const Status loaded = Project::LoadProject(folder, project);
        EXPECT_FALSE(loaded.ok()) << project;
        EXPECT_EQ(snapshot(app.path()), before) << project;
    }
    EXPECT_EQ(Project::LoadProject(folder, "Missing.prj").error().number, ErrNo::FileNotFound);
}

TEST_F(ProjectTest, PageKeysThatLeaveTheFolderRefuseTheWholeProject)
{
    workspace();
    QDir(app.path()).mkdir("Struct/DDEData/sub");
    const auto before = snapshot(app.path());
    for (const char* key : {"../../evil", "..\\evil", "sub/evil", "/tmp/evil", "C:evil", "", "PageList", "pagelist",
                            "S1\tPumps"}) {
        TempAppFolder::write(app.data("Bad.prj"), QByteArray(PageList) + "Begin Topics\r\n#S1\r\n" + Topic + "#" + key +
                                                      "\r\n" + Topic);
        auto expected = before;
        expected.insert(app.data("Bad.prj"), TempAppFolder::read(app.data("Bad.prj")));
        const Status loaded = Project::LoadProject(folder, "Bad.prj");
        ASSERT_FALSE(loaded.ok()) << key;
        EXPECT_EQ(loaded.error().number, ErrNo::BadFileName);
        EXPECT_EQ(snapshot(app.path()), expected) << key;
    }
    EXPECT_FALSE(TempAppFolder::exists(app.path() + "evil.txt"));
    EXPECT_FALSE(QFile::exists("/tmp/evil.txt"));

    const Status old = Project::LoadProject(folder, "Bad.prj");
    EXPECT_TRUE(old.error().description.contains("imported")) << old.error().description.toStdString();
}

TEST_F(ProjectTest, DamagedProjectsLoadWhatTheyCan)
{
    struct Case {
        const char* what;
        QByteArray project;
        QMap<QString, QByteArray> files;
    };
    const QByteArray binary("\x00\x01\xff#\x89PNG\r\n\x1a\x02#\x00..\r\n", 17);
    const Case cases[] = {
        {"empty", "", {{"PageList.txt", ""}}},
        {"no Begin Topics", PageList + "#S1\r\n" + Topic, {{"PageList.txt", PageList + "#S1\r\n" + Topic}}},
        {"cut inside a page", PageList + "Begin Topics\r\n#S1\r\n" + Topic + "#S2\r\nRSLinx|Li",
         {{"PageList.txt", PageList}, {"S1.txt", Topic}, {"S2.txt", "RSLinx|Li\r\n"}}},
        {"page without topics", PageList + "Begin Topics\r\n#S1\r\n#S2\r\n" + Topic,
         {{"PageList.txt", PageList}, {"S1.txt", ""}, {"S2.txt", Topic}}},
        {"binary", binary, {{"PageList.txt", QByteArray("\x00\x01\xff#\x89PNG\r\n\x1a\x02#\x00..\r\n", 18)}}},
    };
    for (const Case& c : cases) {
        workspace();
        TempAppFolder::write(app.data("Damaged.prj"), c.project);
        EXPECT_TRUE(Project::LoadProject(folder, "Damaged.prj").ok()) << c.what;
        QMap<QString, QByteArray> expected;
        for (auto it = c.files.begin(); it != c.files.end(); ++it)
            expected.insert(app.data(it.key()), it.value());
        expected.insert(app.data("Damaged.prj"), c.project);
        EXPECT_EQ(snapshot(app.path()), expected) << c.what;
    }
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
    EXPECT_EQ(tree.text(2), QStringLiteral("Pumps"));
    EXPECT_EQ(tree.tag(2), QStringLiteral("Pump Status"));
    EXPECT_EQ(tree.parentKey(3), QStringLiteral("S1"));
    EXPECT_EQ(tree.tag(3), QString());

    DDEBuilder::CurrentPageFile = app.data("S1.txt");
    ASSERT_TRUE(DDEBuilder::PageFile_Read());
    ASSERT_EQ(DDEBuilder::TopicCount, 1);
    EXPECT_EQ(DDEBuilder::Topics[0],
              (DDEBuilder::TopicRecord{"RSLinx|Line1", "Tank_Level", "Level of tank 1", true, false, false}));
    EXPECT_EQ(TempAppFolder::read(app.data("S2.txt")), QByteArray());
    EXPECT_TRUE(messages.texts().isEmpty());
    DDEBuilder::CurrentPageFile.clear();

    EXPECT_EQ(Project::ImportProject(folder, "Gone.prj").error().number, ErrNo::FileNotFound);
    EXPECT_EQ(Project::ImportProject(folder, "").error().number, ErrNo::BadFileName);
}

TEST_F(ProjectTest, SaveRefusesUnsafeNamesAndMissingWorkspace)
{
    workspace();
    const auto before = snapshot(app.path());
    for (const char* name : {"", "../Plant", "a/b", "a\\b", "..", "x:y"}) {
        const Status saved = Project::SaveProject(folder, name);
        ASSERT_FALSE(saved.ok()) << name;
        EXPECT_EQ(saved.error().number, ErrNo::BadFileName);
    }
    EXPECT_EQ(snapshot(app.path()), before);

    QFile::remove(app.data("PageList.txt"));
    const Status saved = Project::SaveProject(folder, "Plant");
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error().text(), QStringLiteral("File not found 53"));
    EXPECT_FALSE(TempAppFolder::exists(app.data("Plant.prj")));
}
