// The designer's whole road against the real server process: import an export, save it as a controller,
// load it, browse and monitor its tags, send them to a page, go online and write, save the project, and
// open it in the viewer; kill and restart the server under both programs; then, in the viewer, a
// protected value is refused before logon and written after.

#include "DataView.h"
#include "KeyedTree.h"
#include "LinkBox.h"
#include "LinkFixture.h"
#include "LinkRecovery.h"
#include "Main.h"
#include "MainUI.h"
#include "MarkGrid.h"
#include "Messages.h"
#include "Monitor.h"
#include "PLCListPage.h"
#include "PageDisplay.h"
#include "PageEditor.h"
#include "PageMode.h"
#include "SharedVars.h"
#include "THMIUtil.h"
#include "TagExplorerPage.h"
#include "TagLoader.h"
#include "TempAppFolder.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray Export = "remark,\"CSV-Import-Export\"\r\n"
                          "0.3\r\n"
                          "TYPE,SCOPE,NAME,DESCRIPTION,DATATYPE,SPECIFIER,ATTRIBUTES\r\n"
                          "TAG,,Tank_Level,\"Level of tank 1\",\"REAL\",\"\",\"\"\r\n"
                          "TAG,,Inlet_Valve,\"Inlet valve open\",\"BOOL\",\"\",\"\"\r\n"
                          "TAG,MainProgram,Pump_Speed,\"Pump speed\",\"DINT\",\"\",\"\"\r\n";

int nodeWithText(const NodeCollection& tree, const QString& text)
{
    for (int i = 1; i <= tree.count(); ++i)
        if (tree.text(i) == text)
            return i;
    return 0;
}

int rowWithTag(const MarkGrid* grid, const QString& tag)
{
    for (int r = 1; r < grid->rowCount(); ++r)
        if (grid->cell(r, 2) == tag)
            return r;
    return 0;
}

class WholeRoad : public LinkFixture {
protected:
    bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 5000); }
    void clickNode(MainUI* ui, int k, int index)
    {
        ui->tree(k)->select(index);
        ui->Tree_NodeClick(k);
        ui->SettleTime_Timer();
    }
    void markRow(MarkGrid* grid, TagExplorerPage* explorer, int row)
    {
        grid->setCurrent(row, 0);
        explorer->TagList_MouseUp(100);
    }
};

} // namespace

TEST_F(WholeRoad, ExportToLivePageToViewer)
{
    ASSERT_TRUE(server.start());
    TempAppFolder designerFolder;
    MessageRecorder messages;
    TempAppFolder::write(designerFolder.data("PageList.txt"), "Main\tS1\tTank Farm\tTank Farm\t\r\n");
    TempAppFolder::write(designerFolder.data("S1.txt"), "");
    const QString exportFile = designerFolder.path() + "Line1.csv";
    TempAppFolder::write(exportFile, Export);

    Main window(designerFolder.path());
    window.show();
    MainUI* ui = window.workWindow();

    // 1. Import the export in the saved-data window.
    TagLoader* loader = ui->tagLoader();
    loader->chooseFile = [&] { return exportFile; };
    loader->mnu_Click(0);
    ASSERT_GT(loader->FlagTree()->count(), 3);

    // 2. Save it as a controller with its DDE topic.
    loader->mnu_Click(2);
    THMIUtil* util = ui->utility();
    ASSERT_EQ(util->mode(), THMIUtil::PLCFrame);
    util->PLCDataIn(0)->setText("Line 1");
    util->PLCDataIn(2)->setText("Line1");
    util->PB_Click(0);
    const QByteArray structure = TempAppFolder::read(designerFolder.tstruct("Line1.stc"));
    ASSERT_TRUE(structure.startsWith("Line 1\r\nRSLogix5000\r\nLine1\r\nLine1.csv\r\n")) << structure.left(80).data();
    const int listed = nodeWithText(*ui->tree(2), "Line 1");
    ASSERT_GT(listed, 0) << "listed at once";

    // 3. Load it into the tag explorer.
    clickNode(ui, 2, listed);
    ui->PB_Click(0);
    EXPECT_EQ(ui->plcList()->LoadedPLCIndex, listed);
    TagExplorerPage* explorer = ui->tagExplorer();
    ASSERT_GT(ui->tree(3)->count(), 3);
    EXPECT_TRUE(explorer->PB(4)->isEnabled());

    // Open the page the tags go to.
    PageEditor* editor = ui->pageMode()->editor();
    clickNode(ui, 1, 2);
    ASSERT_EQ(editor->SelectedPageIndex, 2);

    // 4. Browse the controller's tags and monitor one live.
    server.set("Line1", "Tank_Level", "12.5");
    clickNode(ui, 3, nodeWithText(*ui->tree(3), "Controller_Tags"));
    MarkGrid* grid = explorer->tagList();
    const int levelRow = rowWithTag(grid, "Tank_Level");
    ASSERT_GT(levelRow, 0);
    ui->PB_Click(4);
    markRow(grid, explorer, levelRow);
    EXPECT_TRUE(waitFor([&] { return grid->cell(levelRow, Monitor::ValueColumn) == "12.5"; }));
    EXPECT_TRUE(explorer->PB(7)->isEnabled());

    // 5. Send the marked tag, then a program's tag, to the page.
    ui->PB_Click(7);
    clickNode(ui, 3, nodeWithText(*ui->tree(3), "MainProgram"));
    const int speedRow = rowWithTag(grid, "Pump_Speed");
    ASSERT_GT(speedRow, 0);
    markRow(grid, explorer, speedRow);
    ui->PB_Click(7);
    EXPECT_EQ(TempAppFolder::read(designerFolder.data("S1.txt")),
              QByteArray("RSLinx|Line1\tTank_Level\tTank_Level (REAL)\t1\t1\t0\t\r\n"
                         "RSLinx|Line1\tProgram:MainProgram.Pump_Speed\tPump_Speed (DINT)\t1\t1\t0\t\r\n"));
    ASSERT_EQ(editor->grid()->rowCount(), 3) << "the page was reopened with both topics";

    // 6. Make the speed writable, go online and write a value the server then holds.
    editor->grid()->setCurrent(2, 4);
    editor->DDEEditor_MouseUp(2, 4, 3000);
    PageDisplay* display = ui->pageMode()->display();
    display->onLine()->setChecked(true);
    display->OnLine_Click();
    EXPECT_EQ(display->dataTopic(0)->text(), QStringLiteral("12.5"));
    display->BeginValueEdit(1);
    display->dataTopicOut(1)->setText("1450");
    display->DataTopicOut_KeyUp(1, 13);
    EXPECT_EQ(server.get("Line1", "Program:MainProgram.Pump_Speed"), QStringLiteral("1450"));

    // 7. Save the project.
    util->Show_Function(THMIUtil::ProjectFrame);
    util->findChild<QLineEdit*>("CurrentProject")->setText("Plant");
    util->PB_Click(8);
    const QString project = designerFolder.data("Plant.prj");
    ASSERT_TRUE(TempAppFolder::exists(project));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(" | ").toStdString();

    // 8. Copy it beside the viewer and open it there, live.
    TempAppFolder viewerFolder(TempAppFolder::Folders::None);
    ASSERT_TRUE(QFile::copy(project, viewerFolder.path() + "Plant.prj"));
    DataView viewer(viewerFolder.path());
    viewer.show();
    viewer.ProjectList_Click("Plant");
    viewer.progTree()->select(2);
    viewer.ProgTree_NodeClick(2);
    PageDisplay* live = viewer.display();
    ASSERT_EQ(live->elementCount(), 2);
    EXPECT_EQ(live->dataTopic(1)->text(), QStringLiteral("1450"));

    // 9. The server dies: both programs mark their values as not current within a second and say so.
    server.kill();
    auto allStale = [](PageDisplay* page, bool stale) {
        for (int i = 0; i < page->elementCount(); ++i)
            if (page->dataTopic(i)->isStale() != stale)
                return false;
        return true;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return allStale(display, true) && allStale(live, true); }, 1000));
    EXPECT_EQ(display->onLine()->text(), QStringLiteral("Link lost"));
    EXPECT_TRUE(viewer.linkStatus()->isVisibleTo(&viewer));
    EXPECT_EQ(live->dataTopic(1)->text(), QStringLiteral("1450"));

    // It is started again with other values; the reconnect, due within 5 s, makes everything current.
    ASSERT_TRUE(server.start());
    server.set("Line1", "Tank_Level", "13.5");
    server.set("Line1", "Program:MainProgram.Pump_Speed", "1500");
    QTimer* reconnect = LinkRecovery::instance().reconnectTimer();
    ASSERT_TRUE(reconnect->isActive());
    EXPECT_LE(reconnect->interval(), 5000);
    LinkRecovery::instance().Reconnect_Timer();
    EXPECT_TRUE(allStale(display, false) && allStale(live, false));
    for (PageDisplay* page : {display, live}) {
        EXPECT_EQ(page->dataTopic(0)->text(), QStringLiteral("13.5"));
        EXPECT_EQ(page->dataTopic(1)->text(), QStringLiteral("1500"));
    }
    EXPECT_EQ(grid->cell(speedRow, Monitor::ValueColumn), QStringLiteral("1500"));
    EXPECT_EQ(display->onLine()->text(), QStringLiteral("System Online"));
    EXPECT_FALSE(viewer.linkStatus()->isVisibleTo(&viewer));
    display->ForceOffline();

    // 10. The protected speed is refused before logon and written after.
    EXPECT_FALSE(live->dataTopic(1)->isEnabled());
    viewer.Logon_State = LogonState{true, 1, true};
    viewer.Form_Activate();
    ASSERT_TRUE(live->dataTopic(1)->isEnabled());
    live->BeginValueEdit(1);
    live->dataTopicOut(1)->setText("900");
    live->DataTopicOut_KeyUp(1, 13);
    EXPECT_EQ(server.get("Line1", "Program:MainProgram.Pump_Speed"), QStringLiteral("900"));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(" | ").toStdString();
}
