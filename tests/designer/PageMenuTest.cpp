#include "KeyedTree.h"
#include "Main.h"
#include "MainUI.h"
#include "Messages.h"
#include "PageEditor.h"
#include "PageMode.h"
#include "THMIUtil.h"
#include "TempAppFolder.h"

#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

namespace {

struct PageMenuTest : ::testing::Test {
    TempAppFolder app;
    MessageRecorder messages;
    std::unique_ptr<Main> window;
    MainUI* ui = nullptr;
    KeyedTree* tree = nullptr;

    void SetUp() override
    {
        TempAppFolder::write(app.data("PageList.txt"), "Main\tS1\tPumps\t\t\r\nS1\tS2\tInlet\t\t\r\nMain\tS3\tTanks\t\t\r\n");
        for (const char* key : {"S1", "S2", "S3"})
            TempAppFolder::write(app.data(QString::fromLatin1(key) + ".txt"), "");
        window = std::make_unique<Main>(app.path());
        window->show();
        ui = window->workWindow();
        tree = ui->pageTree();
    }
};

} // namespace

TEST_F(PageMenuTest, RightClickOffersDeleteAndRenameOnlyAwayFromTheRoot)
{
    THMIUtil* util = ui->utility();
    tree->select(1);
    ui->Tree_MouseUp(1, Qt::RightButton, tree->mapToGlobal(QPoint(5, 5)));
    EXPECT_TRUE(util->mTmnu()->isVisible());
    EXPECT_TRUE(util->Tmnu(0)->isEnabled());
    EXPECT_FALSE(util->Tmnu(1)->isEnabled());
    EXPECT_FALSE(util->Tmnu(2)->isEnabled());
    util->mTmnu()->close();

    // The menu follows the page open in the editor.
    tree->select(2);
    ui->pageMode()->editor()->Setup_Editor();
    ui->Tree_MouseUp(1, Qt::RightButton, tree->mapToGlobal(QPoint(5, 5)));
    EXPECT_TRUE(util->Tmnu(1)->isEnabled());
    EXPECT_TRUE(util->Tmnu(2)->isEnabled());
    util->mTmnu()->close();
}

TEST_F(PageMenuTest, DeletePageAsksAndRefusesTheRoot)
{
    THMIUtil* util = ui->utility();
    tree->select(1);
    util->Tmnu(1)->trigger();
    EXPECT_EQ(messages.texts(), QStringList{"This page may not be deleted or renamed."});
    EXPECT_EQ(tree->count(), 4);

    messages.clear();
    tree->select(2);
    messages.answer(false);
    util->Tmnu(1)->trigger();
    EXPECT_EQ(messages.texts(), QStringList{"Are you sure you want to delete this page and any Sub Pages?"});
    EXPECT_TRUE(messages.entries()[0].question);
    EXPECT_EQ(tree->count(), 4);

    messages.answer(true);
    util->Tmnu(1)->trigger();
    EXPECT_EQ(tree->count(), 2);
    EXPECT_FALSE(TempAppFolder::exists(app.data("S1.txt")));
    EXPECT_FALSE(TempAppFolder::exists(app.data("S2.txt")));
    EXPECT_EQ(TempAppFolder::read(app.data("PageList.txt")), QByteArray("Main\tS3\tTanks\t\t\r\n"));
}

TEST_F(PageMenuTest, ProjectRoundTripThroughTheMenusBringsTheTreeBackExpanded)
{
    THMIUtil* util = ui->utility();
    QAction* manage = window->findChild<QAction*>("mnu(2)");
    ASSERT_NE(manage, nullptr);
    manage->trigger();
    EXPECT_EQ(util->mode(), THMIUtil::ProjectFrame);
    EXPECT_FALSE(window->isEnabled());
    util->findChild<QWidget*>("CurrentProject")->setProperty("text", "Plant");
    util->PB_Click(8);
    manage->trigger();
    util->PB_Click(6);
    ASSERT_EQ(tree->count(), 1);

    manage->trigger();
    util->findChild<QListWidget*>("FileList")->setCurrentRow(0);
    util->PB_Click(7);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('|').toStdString();
    ASSERT_EQ(tree->count(), 4);
    EXPECT_EQ(tree->text(tree->indexOf("S2")), QStringLiteral("Inlet"));
    EXPECT_TRUE(tree->topLevelItem(0)->child(0)->isExpanded());
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(PageMenuTest, ANewWorkspaceOpensItsRootInsteadOfAPageThatIsGone)
{
    PageEditor* editor = ui->pageMode()->editor();
    tree->select(4);
    editor->Setup_Editor();
    window->findChild<QAction*>("mnu(2)")->trigger();
    ui->utility()->PB_Click(6);
    ASSERT_EQ(tree->count(), 1);
    EXPECT_EQ(editor->SelectedPageIndex, 1);

    // The title box edited page 4 of a tree that has one node left.
    editor->pageTitle()->setText("Renamed");
    EXPECT_NO_THROW(editor->PageTitle_KeyDown(Qt::Key_Return));
    EXPECT_EQ(tree->tag(1), QStringLiteral("Main Page"));
}
