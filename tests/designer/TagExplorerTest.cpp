#include "KeyedTree.h"
#include "Main.h"
#include "MainUI.h"
#include "MarkGrid.h"
#include "Messages.h"
#include "PLCListPage.h"
#include "PageEditor.h"
#include "PageMode.h"
#include "PopupMenu.h"
#include "TabStrip.h"
#include "TagExplorerPage.h"
#include "TempAppFolder.h"
#include "THMIUtil.h"
#include "TrendWindow.h"
#include "TrendWindows.h"

#include <QCoreApplication>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

#include <gtest/gtest.h>

namespace {

// Controller_Tags of an RSLogix5000 controller: three tags, one with a commented member.
const QByteArray Logix5000 = "Line 1\r\nRSLogix5000\r\nLine1\r\nLine1.csv\r\n0\tController_Tags\t\r\n"
                             "\tController_Tags\tController_Tags\t000Controller_Tags\t\r\n"
                             "Controller_Tags\t:1.\tInlet_Valve\t000BOOL\t\r\n"
                             "Controller_Tags\t:2.\tTank_Level\t000REAL\t\r\n"
                             "Controller_Tags\t:3.\tMixer\t000MOTOR_T\t\r\n"
                             ":3.\t:3.1.\tMixer.Run\t000Running\t\r\n";

// One data file of an RSLogix500 controller: bit addresses and a word, each with a real description.
const QByteArray Logix500 = "Line 2\r\nRSLogix500\r\nLine2\r\nLine2.csv\r\n0\tController_Tags\t\r\n"
                            "\tRSLogix500\tRSLogix500\tRSLogix500\t\r\n"
                            "RSLogix500\tA.\tB3:0\t000B3:0\t\r\n"
                            "A.\tA.1.\tB3:0/1\t000Pump 2 start\t\r\n"
                            "A.\tA.2.\tT4:0/DN\t000Fill done\t\r\n"
                            "A.\tA.3.\tN7:0\t000Inlet flow\t\r\n";

struct TagExplorerTest : ::testing::Test {
    TempAppFolder app;
    MessageRecorder messages;
    std::unique_ptr<Main> window;
    MainUI* ui = nullptr;
    TagExplorerPage* explorer = nullptr;

    void SetUp() override
    {
        qputenv("HMI_LINK_SOCKET", "hmi-test-nobody-" + QByteArray::number(QCoreApplication::applicationPid()));
        TempAppFolder::write(app.data("PageList.txt"), "Main\tS1\tPumps\t\t\r\n");
        TempAppFolder::write(app.data("S1.txt"), "");
        TempAppFolder::write(app.tstruct("Line1.stc"), Logix5000);
        TempAppFolder::write(app.tstruct("Line2.stc"), Logix500);
        window = std::make_unique<Main>(app.path());
        window->show();
        ui = window->workWindow();
        explorer = ui->tagExplorer();
    }

    void click(int tree, int node)
    {
        ui->tree(tree)->select(node);
        ui->Tree_NodeClick(tree);
        ui->SettleTime_Timer();
    }
    // Loads a controller of the PLC list and shows one of its tag nodes in the grid.
    void show(const char* controller, const char* tagNode)
    {
        click(2, ui->tree(2)->indexOf(QString::fromLatin1(controller)));
        ui->plcList()->PLCList_Command(0);
        click(3, ui->tree(3)->indexOf(QString::fromLatin1(tagNode)));
    }
    void openPage(int node)
    {
        ui->pageTree()->select(node);
        ui->pageMode()->editor()->Setup_Editor();
    }
    void markRow(int row)
    {
        explorer->tagList()->setCurrent(row, 0);
        explorer->TagList_MouseUp(100);
    }
    // Right-clicks a row of the tag grid and picks the named entry of its menu.
    void pick(int row, const char* action)
    {
        MarkGrid* grid = explorer->tagList();
        const QRect cell = grid->visualRect(grid->model()->index(row - 1, 2));
        explorer->TagList_ContextMenu(cell.center());
        pickFromPopup(action);
    }
    QStringList pageLines() const
    {
        return QString::fromLatin1(TempAppFolder::read(app.data("S1.txt"))).split("\r\n", Qt::SkipEmptyParts);
    }
};

} // namespace

TEST_F(TagExplorerTest, TagsAreSentWithNameAndTypeAndBoolTagsAsBits)
{
    openPage(2);
    show("1Line 1", "Controller_Tags");
    explorer->TagExplorer_Command(5);
    explorer->TagExplorer_Command(7);
    // A commented member keeps its comment.
    show("1Line 1", ":3.");
    explorer->TagExplorer_Command(5);
    explorer->TagExplorer_Command(7);

    EXPECT_EQ(pageLines(), QStringList({"RSLinx|Line1\tInlet_Valve\tInlet_Valve (BOOL)\t1\t1\t1\t",
                                        "RSLinx|Line1\tTank_Level\tTank_Level (REAL)\t1\t1\t0\t",
                                        "RSLinx|Line1\tMixer\tMixer (MOTOR_T)\t1\t1\t0\t",
                                        "RSLinx|Line1\tMixer\tMixer (MOTOR_T)\t1\t1\t0\t",
                                        "RSLinx|Line1\tMixer.Run\tRunning\t1\t1\t0\t"}));
    EXPECT_EQ(window->statusBar()->currentMessage(), "2 topics sent to Pumps");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

TEST_F(TagExplorerTest, Logix500BitAddressesAreSentAsBitsWithTheirDescriptions)
{
    openPage(2);
    show("2Line 2", "A.");
    explorer->TagExplorer_Command(5);
    explorer->TagExplorer_Command(7);

    EXPECT_EQ(pageLines(), QStringList({"RSLinx|Line2\tB3:0\tB3:0\t1\t1\t0\t",
                                        "RSLinx|Line2\tB3:0/1\tPump 2 start\t1\t1\t1\t",
                                        "RSLinx|Line2\tT4:0/DN\tFill done\t1\t1\t1\t",
                                        "RSLinx|Line2\tN7:0\tInlet flow\t1\t1\t0\t"}));
    EXPECT_EQ(window->statusBar()->currentMessage(), "4 topics sent to Pumps");
}

TEST_F(TagExplorerTest, SendToPageFollowsMarksAndTheOpenPageInEitherOrder)
{
    show("1Line 1", "Controller_Tags");
    EXPECT_FALSE(ui->tree(3)->currentItem()->icon(0).isNull()) << "a selected root keeps its icon";
    markRow(1);
    EXPECT_FALSE(explorer->PB(7)->isEnabled()) << "only the root page is open";

    // Ticked while monitoring, the page opened afterwards.
    openPage(2);
    EXPECT_TRUE(explorer->PB(7)->isEnabled());
    openPage(1);
    EXPECT_FALSE(explorer->PB(7)->isEnabled());
    openPage(2);
    markRow(1);
    EXPECT_FALSE(explorer->PB(7)->isEnabled()) << "the last mark is gone";

    // Whatever left it stale, showing the tag explorer checks it again.
    markRow(2);
    explorer->PB(7)->setEnabled(false);
    ASSERT_FALSE(explorer->isVisible());
    for (const int strip : {0, 2}) {
        ui->programTab(strip)->tabs()->setCurrentIndex(1);
        ui->ProgramTab_Click(strip);
    }
    ASSERT_TRUE(explorer->isVisible());
    EXPECT_TRUE(explorer->PB(7)->isEnabled());
}

TEST_F(TagExplorerTest, UpdateAndProjectSaveConfirmInTheStatusBar)
{
    show("1Line 1", "Controller_Tags");
    ui->plcList()->PLCDataIn(1)->setText("LINE1");
    ui->plcList()->PLCList_Command(1);
    EXPECT_EQ(window->statusBar()->currentMessage(), "Updated Line1.stc");

    THMIUtil* util = ui->utility();
    util->Show_Function(THMIUtil::ProjectFrame);
    util->findChild<QLineEdit*>("CurrentProject")->setText("Pumps");
    util->findChild<QPushButton*>("PB(8)")->click();
    EXPECT_TRUE(TempAppFolder::exists(app.data("Pumps.prj")));
    EXPECT_EQ(window->statusBar()->currentMessage(), "Saved Pumps.prj");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

// The monitor grid's menu trends a tag row under its description, and adds another row to the same trend.
TEST_F(TagExplorerTest, TagRowMenuOpensAndAddsToTheTrend)
{
    show("2Line 2", "A.");
    pick(2, "Trend");
    TrendWindow* trend = TrendWindows::current();
    ASSERT_NE(trend, nullptr);
    ASSERT_EQ(trend->model().pens().size(), 1u);
    EXPECT_EQ(trend->model().pens()[0].topic.label(), QStringLiteral("Pump 2 start (Line2 B3:0/1)"));

    pick(4, "AddToTrend");
    EXPECT_EQ(TrendWindows::current(), trend);
    ASSERT_EQ(trend->model().pens().size(), 2u);
    EXPECT_EQ(trend->model().pens()[1].topic.key(), (history::SeriesKey{"Line2", "N7:0"}));
    trend->close();
}
