#include "KeyedTree.h"
#include "Messages.h"
#include "PageStructure.h"
#include "SharedVars.h"
#include "THMIUtil.h"
#include "TempAppFolder.h"
#include "Twips.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// The owner window with the page tree, as the working window holds it.
struct UtilTest : ::testing::Test {
    TempAppFolder app;
    MessageRecorder messages;
    QWidget owner;
    KeyedTree* tree = new KeyedTree(&owner);
    std::unique_ptr<THMIUtil> util;

    void SetUp() override
    {
        TempAppFolder::write(app.data("PageList.txt"), "Main\tS1\tPumps\tPump Status\t\r\n");
        TempAppFolder::write(app.data("S1.txt"), "RSLinx|Line1\tTank_Level\tLevel\t1\t1\t0\t\r\n");
        DDEBuilder::PageStructure_Read(*tree);
        (new QVBoxLayout(&owner))->addWidget(tree);
        owner.show();
        util = std::make_unique<THMIUtil>(*tree, &owner);
    }

    template <class T = QWidget>
    T* child(const QString& name) const
    {
        T* w = util->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QPushButton* PB(int i) const { return child<QPushButton>(QStringLiteral("PB(%1)").arg(i)); }
    QString pageList() const { return QString::fromLatin1(TempAppFolder::read(app.data("PageList.txt"))); }

    QString addPage(const QString& name)
    {
        util->Show_Function(THMIUtil::AddPageFrame);
        auto* box = child<QLineEdit>("PageDataIn");
        box->setText(name);
        QTest::keyClick(box, Qt::Key_Return);
        return DDEBuilder::CurrentNode;
    }

    void clickProject(const QString& file)
    {
        auto* list = child<QListWidget>("FileList");
        const auto items = list->findItems(file, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << file.toStdString();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items[0]).center());
    }
};

} // namespace

TEST_F(UtilTest, EachFrameOpensAloneSizedToItAndDisablesTheOwner)
{
    const char* titles[5] = {"", "PLC Information", "Add New Page for DDE Viewer", "Rename a page", "Project Manager"};
    tree->select(2);
    for (int n = 0; n < 5; ++n) {
        util->Show_Function(n);
        EXPECT_TRUE(util->isVisible()) << n;
        EXPECT_TRUE(util->isModal());
        EXPECT_FALSE(owner.isEnabled()) << n;
        EXPECT_TRUE(util->isEnabled());
        EXPECT_EQ(util->mode(), n);
        for (int k = 0; k < 5; ++k) {
            auto* frame = child<QGroupBox>(QStringLiteral("PFunction(%1)").arg(k));
            EXPECT_EQ(frame->isVisible(), k == n) << n << " " << k;
            EXPECT_EQ(frame->pos(), QPoint(0, 0));
        }
        const QSize frame = child(QStringLiteral("PFunction(%1)").arg(n))->size();
        EXPECT_EQ(util->width(), Twips::toPixels(Twips::fromPixels(frame.width()) + 125)) << n;
        EXPECT_EQ(util->height(), Twips::toPixels(Twips::fromPixels(frame.height()) + 450)) << n;
        if (n > 0) {
            EXPECT_EQ(util->windowTitle(), QString::fromLatin1(titles[n]));
        }
        QTest::keyClick(util.get(), Qt::Key_Escape);
        EXPECT_FALSE(util->isVisible()) << n;
        EXPECT_TRUE(owner.isEnabled()) << n;
    }
    EXPECT_TRUE(messages.texts().isEmpty());

    const char* captions[11] = {"Save", "Cancel", "Save", "Cancel", "Save", "Cancel",
                                "Create New", "Load", "Save", "iMPORT", "Done"};
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(PB(i)->text(), QString::fromLatin1(captions[i]));
    EXPECT_EQ(child<QLineEdit>("PLCDataIn(2)")->toolTip(), QStringLiteral("Use RSLinx to verify DDE Topic"));
}

TEST_F(UtilTest, AddedPagesGetStampAndCounterKeysUnderTheOpenPage)
{
    tree->select(2);
    util->Show_Function(THMIUtil::AddPageFrame);
    auto* box = child<QLineEdit>("PageDataIn");
    EXPECT_EQ(box->text(), QStringLiteral("New Page Name Here"));
    EXPECT_EQ(box->selectedText(), box->text());
    EXPECT_EQ(child<QLabel>("PageLBL")->text(), QStringLiteral("Add new page under: Pumps"));

    const int before = THMIUtil::addedPages();
    const QString first = addPage("Tank A");
    EXPECT_FALSE(util->isVisible());
    EXPECT_EQ(first, "S" + SharedVars::StartStamp + QString::number(before + 1));
    const QString second = addPage("Tank\tB");
    EXPECT_EQ(second, "S" + SharedVars::StartStamp + QString::number(before + 2));

    EXPECT_EQ(TempAppFolder::read(app.data(first + ".txt")), QByteArray());
    EXPECT_EQ(pageList(), "Main\tS1\tPumps\tPump Status\t\r\nS1\t" + first + "\tTank A\tTank A\t\r\nS1\t" + second +
                              "\tTank B\tTank B\t\r\n");

    // A refused name still uses up a number; a key whose file already exists is passed over.
    util->Show_Function(THMIUtil::AddPageFrame);
    child<QLineEdit>("PageDataIn")->clear();
    PB(2)->click();
    EXPECT_EQ(messages.texts(), QStringList{"You must supply a name for the new page."});
    EXPECT_TRUE(util->isVisible());
    EXPECT_EQ(THMIUtil::addedPages(), before + 3);
    PB(3)->click();
    EXPECT_FALSE(util->isVisible());

    const QString taken = "S" + SharedVars::StartStamp + QString::number(before + 4);
    TempAppFolder::write(app.data(taken + ".txt"), "keep\r\n");
    EXPECT_EQ(addPage("Third"), "S" + SharedVars::StartStamp + QString::number(before + 5));
    EXPECT_EQ(TempAppFolder::read(app.data(taken + ".txt")), QByteArray("keep\r\n"));

    // Another run has another stamp.
    SharedVars::StartStamp = QStringLiteral("070127093000PM");
    tree->select(1);
    const QString other = addPage("Other run");
    EXPECT_TRUE(other.startsWith("S070127093000PM")) << other.toStdString();
    EXPECT_EQ(tree->parentKey(tree->count()), QStringLiteral("Main"));
}

TEST_F(UtilTest, NoPageIsAddedDeeperThanAPageListCanBeRead)
{
    for (int i = 2; i < NodeCollection::MaxDepth; ++i)
        ASSERT_TRUE(tree->addNode("S" + QString::number(i - 1), "S" + QString::number(i), "P", "c", "o").ok());
    tree->select(tree->count());
    const QString list = pageList();
    const int files = QDir(app.data("")).count();
    addPage("Too deep");
    EXPECT_EQ(messages.texts(), QStringList{"PB_Click: Overflow: nested more than 100 levels deep 6"});
    EXPECT_EQ(tree->count(), NodeCollection::MaxDepth);
    EXPECT_EQ(pageList(), list);
    EXPECT_EQ(QDir(app.data("")).count(), files);
}

TEST_F(UtilTest, RenameChangesNameAndTitleButNotTheKey)
{
    tree->select(2);
    util->Show_Function(THMIUtil::RenamePageFrame);
    auto* box = child<QLineEdit>("PageRenamed");
    EXPECT_EQ(child<QLabel>("PageRenameLBL")->text(), QStringLiteral("Please enter a new name for: Pumps"));
    EXPECT_EQ(box->selectedText(), QStringLiteral("Pumps"));

    box->clear();
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(messages.texts(), QStringList{"Page name may not be left blank, please try again."});
    EXPECT_TRUE(util->isVisible());

    // A name Latin-1 cannot hold would come back as "?": refused, naming the characters.
    messages.clear();
    box->setText(QStringLiteral("Pumpe \u03a9mega"));
    PB(4)->click();
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("The page name \"Pumpe \u03a9mega\" holds characters "
                                                           "that the page list cannot keep (\u03a9). Nothing was "
                                                           "changed.")});
    EXPECT_EQ(tree->text(2), QStringLiteral("Pumps"));
    EXPECT_EQ(pageList(), QStringLiteral("Main\tS1\tPumps\tPump Status\t\r\n"));

    box->clear();
    QTest::keyClicks(box, "Pump House");
    PB(4)->click();
    EXPECT_FALSE(util->isVisible());
    EXPECT_EQ(tree->key(2), QStringLiteral("S1"));
    EXPECT_EQ(tree->text(2), QStringLiteral("Pump House"));
    EXPECT_EQ(tree->tag(2), QStringLiteral("Pump House"));
    EXPECT_EQ(pageList(), QStringLiteral("Main\tS1\tPump House\tPump House\t\r\n"));
    EXPECT_TRUE(TempAppFolder::read(app.data("S1.txt")).startsWith("RSLinx|Line1"));

    messages.clear();
    tree->select(1);
    util->Show_Function(THMIUtil::RenamePageFrame);
    EXPECT_FALSE(util->isVisible());
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_EQ(messages.texts(), QStringList{"This page may not be deleted or renamed."});
}

TEST_F(UtilTest, SaveNewAndLoadBringTheTreeBack)
{
    tree->select(2);
    const QString added = addPage("Valves");
    util->Show_Function(THMIUtil::ProjectFrame);
    EXPECT_EQ(child<QLineEdit>("CurrentProject")->text(), QStringLiteral("Default"));
    EXPECT_EQ(child<QLabel>("CurrentProjectLBL")->text(), QStringLiteral("Currently Selected Project"));
    child<QLineEdit>("CurrentProject")->setText("Plant");
    PB(8)->click();
    EXPECT_FALSE(util->isVisible());
    ASSERT_TRUE(TempAppFolder::exists(app.data("Plant.prj")));
    const QString savedList = pageList();

    util->Show_Function(THMIUtil::ProjectFrame);
    PB(6)->click();
    EXPECT_FALSE(util->isVisible());
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_EQ(tree->count(), 1);
    EXPECT_EQ(pageList(), QString());
    EXPECT_FALSE(TempAppFolder::exists(app.data("S1.txt")));

    util->Show_Function(THMIUtil::ProjectFrame);
    ASSERT_EQ(child<QListWidget>("FileList")->count(), 1);
    clickProject("Plant.prj");
    EXPECT_EQ(child<QLineEdit>("CurrentProject")->text(), QStringLiteral("Plant"));
    EXPECT_EQ(util->SelectedProjectFile(), QStringLiteral("Plant.prj"));
    PB(7)->click();
    EXPECT_FALSE(util->isVisible());
    EXPECT_EQ(pageList(), savedList);
    ASSERT_EQ(tree->count(), 3);
    EXPECT_EQ(tree->key(3), added);
    EXPECT_EQ(tree->text(3), QStringLiteral("Valves"));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('|').toStdString();

    // The project clicked earlier stays selected for later openings.
    util->Show_Function(THMIUtil::ProjectFrame);
    PB(6)->click();
    util->Show_Function(THMIUtil::ProjectFrame);
    EXPECT_EQ(child<QLineEdit>("CurrentProject")->text(), QStringLiteral("Default"));
    PB(7)->click();
    EXPECT_EQ(tree->count(), 3);
    EXPECT_FALSE(util->busy());
}

TEST_F(UtilTest, RefusedProjectNamesWriteNothing)
{
    util->Show_Function(THMIUtil::ProjectFrame);
    auto* name = child<QLineEdit>("CurrentProject");
    const QString refusal = "Sorry, a project name may not contain \\ / : * ? \" < > |, \"..\" or control characters, "
                            "end in a dot or space, or be a device name such as CON or COM1.";
    const std::pair<const char*, QString> cases[] = {
        {"", "Sorry, you must enter a name for the project."},
        {"Default", "Sorry, Default is a reserved name."},
        {"default", "Sorry, Default is a reserved name."},
        {"../Plant", refusal},
        {"Nul", refusal},
    };
    for (const auto& [typed, message] : cases) {
        messages.clear();
        name->setText(typed);
        PB(8)->click();
        EXPECT_EQ(messages.texts(), QStringList{message}) << typed;
        EXPECT_TRUE(util->isVisible());
        EXPECT_EQ(name->text(), QString::fromLatin1(typed));
    }
    EXPECT_TRUE(QDir(app.data("")).entryList({"*.prj"}, QDir::Files).isEmpty());
    EXPECT_FALSE(TempAppFolder::exists(app.path() + "Struct/Plant.prj"));
}

TEST_F(UtilTest, LoadAndImportNeedASelectedProject)
{
    util->Show_Function(THMIUtil::ProjectFrame);
    PB(7)->click();
    EXPECT_EQ(messages.texts(), QStringList{"Please select a project to load."});
    messages.clear();
    PB(9)->click();
    EXPECT_EQ(messages.texts(),
              (QStringList{"ImportProject: Bad file name or number 52", "Please select a project to load."}));
    EXPECT_TRUE(util->isVisible());
    EXPECT_EQ(tree->count(), 2);
}

TEST_F(UtilTest, RefusedProjectKeepsWorkspaceAndWindow)
{
    TempAppFolder::write(app.data("Evil.prj"), "Main\tS9\tX\t\t\r\nBegin Topics\r\n#../../../evil\r\nboom\r\n");
    const QByteArray list = TempAppFolder::read(app.data("PageList.txt"));
    util->Show_Function(THMIUtil::ProjectFrame);
    clickProject("Evil.prj");
    PB(7)->click();
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith("LoadProject: Bad file name or number (page key \"../../../evil\")"))
        << messages.texts()[0].toStdString();
    EXPECT_TRUE(util->isVisible());
    EXPECT_TRUE(child<QListWidget>("FileList")->isVisible());
    EXPECT_FALSE(util->busy());
    EXPECT_EQ(TempAppFolder::read(app.data("PageList.txt")), list);
    EXPECT_TRUE(TempAppFolder::exists(app.data("S1.txt")));
    EXPECT_EQ(tree->count(), 2);
}

TEST_F(UtilTest, ProgressFrameShowsCaptionAndClampedPercent)
{
    util->Show_Function(THMIUtil::ProgressFrame);
    Progress& progress = *util;
    progress.caption("Step 3: scopes");
    progress.percent(250);
    EXPECT_EQ(child<QLabel>("ProgramMSG")->text(), QStringLiteral("Step 3: scopes"));
    EXPECT_EQ(child<QProgressBar>("ProgramStat")->value(), 100);
    util->close();
    util->Show_Function(THMIUtil::ProgressFrame);
    EXPECT_EQ(child<QLabel>("ProgramMSG")->text(), QString());
}

TEST_F(UtilTest, MenusAndPlcFrameRouteToTheirOwners)
{
    EXPECT_EQ(util->mTmnu()->title(), QStringLiteral("Topics"));
    EXPECT_EQ(util->mTmnu()->objectName(), QStringLiteral("mTmnu"));
    EXPECT_EQ(util->mPLCmnu()->title(), QStringLiteral("PLC"));
    EXPECT_EQ(util->Tmnu(1)->text(), QStringLiteral("Delete Page"));
    EXPECT_EQ(util->PLCmnu(0)->text(), QStringLiteral("Send to Page This Structure"));

    QSignalSpy deletes(util.get(), &THMIUtil::deletePageRequested);
    QSignalSpy sends(util.get(), &THMIUtil::sendStructureRequested);
    QSignalSpy opening(util.get(), &THMIUtil::plcInformationOpening);
    QSignalSpy saved(util.get(), &THMIUtil::plcInformationSaved);
    util->Tmnu(1)->trigger();
    util->PLCmnu(0)->trigger();
    EXPECT_EQ(deletes.count(), 1);
    EXPECT_EQ(sends.count(), 1);

    util->Tmnu(0)->trigger();
    EXPECT_EQ(util->mode(), THMIUtil::AddPageFrame);
    util->close();

    util->Show_Function(THMIUtil::PLCFrame);
    EXPECT_EQ(opening.count(), 1);
    QTest::keyClick(child<QLineEdit>("PLCDataIn(0)"), Qt::Key_Return);
    PB(0)->click();
    EXPECT_EQ(saved.count(), 2);
    PB(1)->click();
    EXPECT_FALSE(util->isVisible());
    EXPECT_TRUE(owner.isEnabled());
}
