#include "KeyedTree.h"
#include "Main.h"
#include "MainUI.h"
#include "MarkGrid.h"
#include "Messages.h"
#include "PLCData.h"
#include "PLCListPage.h"
#include "PageEditor.h"
#include "PageMode.h"
#include "TagExplorerPage.h"
#include "TempAppFolder.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QByteArray structureFile(const char* name, const char* listing, int tags)
{
    QByteArray s = QByteArray(name) + "\r\nRSLogix5000\r\nTOPIC\r\n" + listing + "\r\n0\tController_Tags\t\r\n";
    s += "\tController_Tags\tController_Tags\t000Controller_Tags\t\r\n";
    for (int i = 0; i < tags; ++i)
        s += "Controller_Tags\t:" + QByteArray::number(i + 1) + ".\tTag_" + QByteArray::number(i) + "\t000DINT\t\r\n";
    return s;
}

struct PLCListTest : ::testing::Test {
    TempAppFolder app;
    MessageRecorder messages;
    std::unique_ptr<Main> window;
    MainUI* ui = nullptr;
    PLCListPage* list = nullptr;

    void SetUp() override
    {
        qputenv("HMI_LINK_SOCKET", "hmi-test-nobody-" + QByteArray::number(QCoreApplication::applicationPid()));
        TempAppFolder::write(app.data("PageList.txt"), "Main\tS1\tPumps\t\t\r\n");
        TempAppFolder::write(app.data("S1.txt"), "");
        TempAppFolder::write(app.tstruct("Line1.stc"), structureFile("Line 1", "Line1.csv", 3));
        TempAppFolder::write(app.tstruct("Line2.STC"), structureFile("Line 1", "Line2.csv", 2));
        window = std::make_unique<Main>(app.path());
        window->show();
        ui = window->workWindow();
        list = ui->plcList();
    }
    int node(const char* key) const { return ui->tree(2)->indexOf(QString::fromLatin1(key)); }
    void choose(int index)
    {
        ui->tree(2)->select(index);
        ui->Tree_NodeClick(2);
        ui->SettleTime_Timer();
    }
};

} // namespace

TEST_F(PLCListTest, ListsEveryStructureFileAndLoadsOnce)
{
    ASSERT_GT(node("1Line 1"), 0);
    ASSERT_GT(node("2Line 1"), 0);
    choose(node("RSLogix5000"));
    EXPECT_TRUE(list->PLCDataIn(0)->text().isEmpty());
    list->PLCList_Command(0);
    EXPECT_EQ(list->LoadedPLCIndex, 0) << "a root loads nothing";

    choose(node("1Line 1"));
    EXPECT_EQ(list->PLCDataInLbl(1)->text(), QStringLiteral("Line1.csv"));
    EXPECT_TRUE(list->PB(0)->isEnabled());
    EXPECT_FALSE(list->PLCDataIn(0)->isEnabled());
    list->PLCList_Command(0);
    EXPECT_EQ(list->LoadedPLCIndex, node("1Line 1"));
    EXPECT_EQ(ui->tree(3)->count(), 4);
    EXPECT_TRUE(list->PB(1)->isEnabled());
    EXPECT_FALSE(list->PB(0)->isEnabled());
    EXPECT_TRUE(ui->tagExplorer()->PB(3)->isEnabled());
    EXPECT_FALSE(ui->tagExplorer()->PB(7)->isEnabled());

    // Loading the loaded one again changes nothing.
    ui->tree(3)->select(2);
    list->PLCList_Command(0);
    EXPECT_EQ(ui->tree(3)->selectedIndex(), 2);
}

TEST_F(PLCListTest, UpdateKeepsEmptiedFieldsRenamesAndKeepsSelection)
{
    choose(node("2Line 1"));
    list->PLCList_Command(0);
    list->PLCDataIn(0)->setText("Press 2");
    list->PLCDataIn(1)->setText("");
    list->PLCList_Command(1);
    const QByteArray file = TempAppFolder::read(app.tstruct("Line2.STC"));
    EXPECT_TRUE(file.startsWith("Press 2\r\nRSLogix5000\r\nTOPIC\r\nLine2.csv\r\n")) << file.left(60).data();
    EXPECT_TRUE(file.endsWith(structureFile("x", "x", 2).mid(structureFile("x", "x", 2).indexOf("\tController_Tags\t"))));
    const int renamed = ui->tree(2)->selectedIndex();
    EXPECT_EQ(ui->tree(2)->text(renamed), QStringLiteral("Press 2"));
    EXPECT_EQ(list->LoadedPLCIndex, renamed);
}

TEST_F(PLCListTest, DeleteAsksAndLeavesAListThatMatchesTheFolder)
{
    choose(node("1Line 1"));
    list->PLCList_Command(0);
    messages.answer(false);
    list->PLCList_Command(2);
    EXPECT_EQ(messages.texts(), QStringList{"Delete Program: Line 1, are you sure?"});
    EXPECT_TRUE(TempAppFolder::exists(app.tstruct("Line1.stc")));
    EXPECT_EQ(ui->tree(3)->count(), 4);

    // The file vanished meanwhile: said plainly, and the list still follows the folder.
    QFile::remove(app.tstruct("Line1.stc"));
    messages.clear();
    messages.answer(true);
    list->PLCList_Command(2);
    ASSERT_EQ(messages.texts().size(), 2);
    EXPECT_TRUE(messages.texts()[1].startsWith("PLCList_Command: File not found"));
    EXPECT_EQ(ui->tree(3)->count(), 0);
    EXPECT_EQ(list->LoadedPLCIndex, 0);
    EXPECT_EQ(ui->tree(2)->count(), 3);
    for (int b = 3; b <= 7; ++b)
        EXPECT_FALSE(ui->tagExplorer()->PB(b)->isEnabled());
}

TEST_F(PLCListTest, FailedLoadLeavesNoControllerLoaded)
{
    choose(node("1Line 1"));
    list->PLCList_Command(0);
    ASSERT_EQ(ui->tree(3)->count(), 4);
    const QByteArray second = TempAppFolder::read(app.tstruct("Line2.STC"));
    QFile::remove(app.tstruct("Line2.STC"));
    choose(node("2Line 1"));
    list->PLCList_Command(0);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_EQ(messages.texts()[0], "Load_Tags: File not found # 53 (" + app.tstruct("Line2.stc") + ")");
    // Not the first controller's tags under the second's name, and nothing "&Update" could write.
    EXPECT_EQ(ui->tree(3)->count(), 0);
    EXPECT_EQ(list->LoadedPLCIndex, 0);
    EXPECT_TRUE(list->StructureFilePath.isEmpty());
    EXPECT_EQ(LoadedPLC, PLCData{});
    EXPECT_TRUE(list->PB(0)->isEnabled());
    EXPECT_FALSE(list->PB(1)->isEnabled());
    EXPECT_FALSE(list->PB(2)->isEnabled());
    EXPECT_FALSE(list->PLCDataIn(0)->isEnabled());
    EXPECT_FALSE(ui->tagExplorer()->PB(3)->isEnabled());

    // With the file back it loads.
    TempAppFolder::write(app.tstruct("Line2.STC"), second);
    list->PLCList_Command(0);
    EXPECT_EQ(list->LoadedPLCIndex, node("2Line 1"));
    EXPECT_EQ(ui->tree(3)->count(), 3);
    EXPECT_TRUE(list->PB(1)->isEnabled());
}

TEST_F(PLCListTest, ListingNameWithoutDotIsRefusedBeforeAnythingChanges)
{
    TempAppFolder::write(app.tstruct("Odd.stc"), structureFile("Odd", "NoDot", 1));
    list->Rebuild_List();
    const int odd = ui->tree(2)->indexOf("3Odd");
    ASSERT_GT(odd, 0);
    choose(odd);
    list->PLCList_Command(0);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith("Cannot load Odd"));
    EXPECT_EQ(list->LoadedPLCIndex, 0);
    EXPECT_TRUE(list->PB(0)->isEnabled());
}

TEST_F(PLCListTest, TagGridMarksSendOnlyToAnOpenPageAndScrollSettles)
{
    TempAppFolder::write(app.tstruct("Big.stc"), structureFile("Big", "Big.csv", 300));
    list->Rebuild_List();
    choose(ui->tree(2)->indexOf("1Big"));
    list->PLCList_Command(0);
    TagExplorerPage* explorer = ui->tagExplorer();
    ui->tree(3)->select(1);
    ui->Tree_NodeClick(3);
    ui->SettleTime_Timer();
    MarkGrid* grid = explorer->tagList();
    ASSERT_EQ(grid->rowCount(), 301);

    // Only the root page is open: nothing enables sending.
    explorer->TagExplorer_Command(5);
    EXPECT_FALSE(explorer->PB(7)->isEnabled());
    explorer->TagExplorer_Command(6);
    grid->setCurrent(3, 0);
    explorer->TagList_MouseUp(100);
    EXPECT_FALSE(explorer->PB(7)->isEnabled());

    // With a page open, marking enables it and unmarking the last mark disables it.
    ui->tree(1)->select(2);
    ui->pageMode()->editor()->Setup_Editor();
    grid->setCurrent(4, 0);
    explorer->TagList_MouseUp(100);
    EXPECT_TRUE(explorer->PB(7)->isEnabled());
    grid->setCurrent(3, 0);
    explorer->TagList_MouseUp(100);
    grid->setCurrent(4, 0);
    explorer->TagList_MouseUp(100);
    EXPECT_FALSE(explorer->PB(7)->isEnabled());

    // A run of scrolls ends in one settle tick.
    for (int i = 0; i < 5; ++i)
        explorer->TagList_Scroll();
    EXPECT_TRUE(explorer->tagListSettleTime()->isActive());
    EXPECT_EQ(explorer->tagListSettleTime()->interval(), 50);
    explorer->TagListSettleTime_Timer();
    EXPECT_FALSE(explorer->tagListSettleTime()->isActive());
}
