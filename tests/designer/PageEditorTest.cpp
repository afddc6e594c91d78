#include "DrawSurface.h"
#include "KeyedTree.h"
#include "Main.h"
#include "MainUI.h"
#include "MarkGrid.h"
#include "Messages.h"
#include "PageDisplay.h"
#include "PageEditor.h"
#include "PageMode.h"
#include "RowMarks.h"
#include "SharedVars.h"
#include "SplitterGrip.h"
#include "TabStrip.h"
#include "THMIUtil.h"
#include "TempAppFolder.h"
#include "Twips.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QByteArray topicLine(int i, const char* flags = "1\t1\t0")
{
    return "RSLinx|Nowhere\tN7:" + QByteArray::number(i) + "\tTopic " + QByteArray::number(i) + "\t" + flags +
           "\t\r\n";
}

struct EditorTest : ::testing::Test {
    TempAppFolder app;
    MessageRecorder messages;
    std::unique_ptr<Main> window;
    MainUI* ui = nullptr;
    PageEditor* editor = nullptr;
    KeyedTree* tree = nullptr;
    QByteArray fivePage;

    void SetUp() override
    {
        qputenv("HMI_LINK_SOCKET", "hmi-test-nobody-" + QByteArray::number(QCoreApplication::applicationPid()));
        TempAppFolder::write(app.data("PageList.txt"), "Main\tS1\tPumps\tPump Status\t\r\nMain\tS2\tEmpty\t\t\r\n");
        for (int i = 0; i < 5; ++i)
            fivePage += topicLine(i);
        TempAppFolder::write(app.data("S1.txt"), fivePage);
        TempAppFolder::write(app.data("S2.txt"), "");
        window = std::make_unique<Main>(app.path());
        window->show();
        ui = window->workWindow();
        editor = ui->pageMode()->editor();
        tree = ui->pageTree();
    }
    void open(int index)
    {
        tree->select(index);
        editor->Setup_Editor();
    }
    MarkGrid* grid() const { return editor->grid(); }
    // Clicks a cell the way the grid reports it: current cell first, then the release.
    void click(int row, int column, int xTwips = 2000)
    {
        grid()->setCurrent(row, column);
        editor->DDEEditor_MouseUp(row, column, xTwips);
    }
    void clickMark(int row) { click(row, 0, 100); }
};

} // namespace

TEST_F(EditorTest, OpeningPagesSetsGridButtonsAndTitle)
{
    open(3);
    EXPECT_FALSE(grid()->isVisible()) << "an empty page leaves the grid hidden";
    EXPECT_EQ(grid()->rowCount(), 2);
    for (int b : {10, 11, 12})
        EXPECT_FALSE(editor->PB(b)->isEnabled()) << b;

    open(1);
    EXPECT_FALSE(editor->PB(9)->isEnabled());
    EXPECT_FALSE(editor->pageTitle()->isEnabled());

    open(2);
    EXPECT_EQ(ui->windowTitle(), QStringLiteral("DDE Page: Main Page\\Pumps"));
    EXPECT_TRUE(grid()->isVisible());
    EXPECT_EQ(grid()->rowCount(), 6);
    EXPECT_EQ(grid()->cell(0, 2), QStringLiteral("SPECIFIER"));
    EXPECT_EQ(grid()->cell(3, 1), QStringLiteral("3"));
    EXPECT_EQ(grid()->cell(3, 4), QStringLiteral("True"));
    EXPECT_EQ(grid()->cell(3, 6), QStringLiteral("False"));
    EXPECT_TRUE(editor->PB(9)->isEnabled());
    EXPECT_FALSE(editor->PB(10)->isEnabled());
    EXPECT_TRUE(editor->PB(11)->isEnabled());
    EXPECT_EQ(editor->pageTitle()->text(), QStringLiteral("Pump Status"));
    EXPECT_GE(grid()->columnWidthTwips(0), 450);
}

TEST_F(EditorTest, TwoFlagClicksRestoreFlagAndFile)
{
    open(2);
    click(2, 4);
    EXPECT_EQ(grid()->cell(2, 4), QStringLiteral("False"));
    EXPECT_EQ(TempAppFolder::read(app.data("S1.txt")).split('\n')[1], topicLine(1, "0\t1\t0").chopped(1));
    click(2, 4);
    EXPECT_EQ(grid()->cell(2, 4), QStringLiteral("True"));
    EXPECT_EQ(TempAppFolder::read(app.data("S1.txt")), fivePage);
    EXPECT_FALSE(editor->PB(10)->isEnabled()) << "a flag click marks nothing";
}

TEST_F(EditorTest, DeleteSelectedFollowsMarksAndKeepsOrder)
{
    open(2);
    clickMark(2);
    EXPECT_TRUE(editor->PB(10)->isEnabled());
    clickMark(2);
    EXPECT_FALSE(editor->PB(10)->isEnabled());
    clickMark(2);
    clickMark(4);
    EXPECT_TRUE(editor->PB(10)->isEnabled());

    messages.answer(true);
    editor->Editor_Action(10);
    EXPECT_EQ(messages.texts(), QStringList{"Delete selected topics, are you sure?"});
    EXPECT_EQ(TempAppFolder::read(app.data("S1.txt")), topicLine(0) + topicLine(2) + topicLine(4));
    EXPECT_EQ(grid()->rowCount(), 4);
    EXPECT_FALSE(editor->PB(10)->isEnabled());

    editor->Editor_Action(11);
    EXPECT_TRUE(editor->PB(10)->isEnabled());
    editor->Editor_Action(12);
    EXPECT_FALSE(editor->PB(10)->isEnabled());
    EXPECT_FALSE(grid()->anyMarked());
}

TEST_F(EditorTest, TitleAndDescriptionEditing)
{
    open(2);
    editor->pageTitle()->setText("Typed but not committed");
    QTest::keyClick(editor->pageTitle(), Qt::Key_Escape);
    EXPECT_EQ(editor->pageTitle()->text(), QStringLiteral("Pump Status"));

    editor->pageTitle()->setText("Pumping Station");
    QTest::keyClick(editor->pageTitle(), Qt::Key_Return);
    EXPECT_EQ(tree->tag(2), QStringLiteral("Pumping Station"));
    EXPECT_TRUE(TempAppFolder::read(app.data("PageList.txt")).startsWith("Main\tS1\tPumps\tPumping Station\t\r\n"));
    EXPECT_EQ(ui->pageMode()->display()->surface()->printed().first(), QStringLiteral("Pumping Station"));

    // A pasted spreadsheet cell ends in a line break; TABs and breaks would split the page list line.
    editor->pageTitle()->setText("Pump\tStation\r\n");
    QTest::keyClick(editor->pageTitle(), Qt::Key_Return);
    EXPECT_EQ(editor->pageTitle()->text(), QStringLiteral("Pump Station"));
    EXPECT_TRUE(TempAppFolder::read(app.data("PageList.txt"))
                    .startsWith("Main\tS1\tPumps\tPump Station\t\r\nMain\tS2"));

    grid()->setCurrent(3, 3);
    EXPECT_EQ(editor->topicDescription()->text(), QStringLiteral("Topic 2"));
    editor->topicDescription()->setText("");
    QTest::keyClick(editor->topicDescription(), Qt::Key_Return);
    EXPECT_EQ(editor->topicDescription()->text(), QStringLiteral("Topic 2")) << "descriptions cannot be emptied";
    editor->topicDescription()->setText("Outlet pressure");
    QTest::keyClick(editor->topicDescription(), Qt::Key_Return);
    EXPECT_EQ(grid()->cell(3, 3), QStringLiteral("Outlet pressure"));
    EXPECT_TRUE(TempAppFolder::read(app.data("S1.txt")).contains("N7:2\tOutlet pressure\t1\t1\t0\t\r\n"));
}

TEST_F(EditorTest, MarkPicturesAreRecreatedWhenDeleted)
{
    QFile::remove(app.path() + RowMarks::UnmarkedFile);
    QFile::remove(app.path() + RowMarks::MarkedFile);
    open(2);
    EXPECT_TRUE(TempAppFolder::exists(app.path() + "UC.bmp"));
    EXPECT_FALSE(TempAppFolder::exists(app.path() + "IC.bmp"));
    clickMark(1);
    EXPECT_TRUE(TempAppFolder::exists(app.path() + "IC.bmp"));
    EXPECT_EQ(grid()->cell(1, 0), QStringLiteral("  "));
    const QImage mark(app.path() + "IC.bmp");
    EXPECT_EQ(mark.size(), QSize(21, 19));
    EXPECT_EQ(mark.depth(), 32) << "24-bit file, loaded as RGB32";
}

TEST(RowMarksTest, WithoutAnAppFolderMarksAreDrawnButNoFileIsWritten)
{
    QTemporaryDir cwd;
    const QString before = QDir::currentPath();
    const QString appFolder = SharedVars::AppFolder;
    QDir::setCurrent(cwd.path());
    SharedVars::AppFolder.clear();
    const QPixmap mark = RowMarks::picture(true);
    SharedVars::AppFolder = appFolder;
    QDir::setCurrent(before);
    EXPECT_EQ(mark.size(), QSize(21, 19));
    EXPECT_TRUE(QDir(cwd.path()).isEmpty()) << "nothing may land in the working folder";
}

TEST_F(EditorTest, DeletingTheOpenPageReopensTheRoot)
{
    open(2);
    messages.answer(true);
    editor->Editor_Action(9);
    EXPECT_EQ(editor->SelectedPageIndex, 1);
    EXPECT_FALSE(TempAppFolder::exists(app.data("S1.txt")));
    click(1, 4);
    EXPECT_FALSE(TempAppFolder::exists(app.data("S1.txt"))) << "no edit may recreate a deleted page";
}

TEST_F(EditorTest, LoadedProjectIsNotOverwrittenByThePageOpenBefore)
{
    const QByteArray loaded = topicLine(7);
    TempAppFolder::write(app.data("Other.prj"), "Main\tS1\tPumps\t\t\r\nBegin Topics\r\n#S1\r\n" + loaded);
    THMIUtil* util = ui->utility();
    open(2);
    util->Show_Function(THMIUtil::ProjectFrame);
    util->findChild<QListWidget*>("FileList")->setCurrentRow(0);
    util->PB_Click(7);
    EXPECT_EQ(editor->SelectedPageIndex, 1);
    click(1, 4);
    EXPECT_EQ(TempAppFolder::read(app.data("S1.txt")), loaded) << "the old table must not overwrite the loaded page";
}

TEST_F(EditorTest, QuickClicksWhileOnlineOpenOnlyTheLastPageOnce)
{
    PageDisplay* display = ui->pageMode()->display();
    display->onLine()->setChecked(true);
    display->OnLine_Click();
    messages.clear();
    QSignalSpy opened(editor, &PageEditor::pageOpened);
    for (int i : {1, 2, 3, 1, 3}) {
        tree->select(i);
        ui->Tree_NodeClick(1);
    }
    EXPECT_EQ(ui->settleTime()->interval(), 500);
    EXPECT_TRUE(ui->settleTime()->isActive());
    EXPECT_EQ(opened.count(), 0);
    ui->SettleTime_Timer();
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened.at(0).at(0).toInt(), 3);
    EXPECT_FALSE(ui->settleTime()->isActive());

    display->ForceOffline();
    ui->Tree_NodeClick(1);
    EXPECT_EQ(ui->settleTime()->interval(), 25);
}

// The tree views lay out and free their items recursively: a hostile list must not overflow the stack.
TEST(PageTreeDepth, FiftyThousandLevelsStartWithoutOverflow)
{
    TempAppFolder app;
    QByteArray list = "Main\tS1\tP\t\t\r\n";
    for (int i = 2; i <= 50000; ++i)
        list += "S" + QByteArray::number(i - 1) + "\tS" + QByteArray::number(i) + "\tP\t\t\r\n";
    TempAppFolder::write(app.data("PageList.txt"), list);
    MessageRecorder messages;
    Main window(app.path());
    window.show();
    EXPECT_EQ(window.workWindow()->pageTree()->count(), NodeCollection::MaxDepth);
    EXPECT_TRUE(messages.texts().value(0).contains(app.data("PageList.txt") + ", line 100)"));
}

TEST_F(EditorTest, SplitterStopsAtItsLimit)
{
    SplitterGrip* grip = ui->pageMode()->splitter();
    grip->imgSplitter_MouseDown();
    grip->imgSplitter_MouseMove(-1000);
    EXPECT_EQ(grip->bar()->x(), Twips::toPixels(3000));
    grip->imgSplitter_MouseMove(100000);
    EXPECT_EQ(grip->bar()->x(), ui->pageMode()->width() - Twips::toPixels(3000));
    grip->imgSplitter_MouseMove(Twips::toPixels(4000) - grip->x());
    grip->imgSplitter_MouseUp();
    EXPECT_EQ(tree->width(), Twips::toPixels(4000));
    EXPECT_EQ(editor->x(), Twips::toPixels(4000) + Twips::toPixels(100));
}

TEST_F(EditorTest, MinimisedWindowDoesNotLayOut)
{
    TabStrip* strip = ui->programTab(0);
    const QSize before = strip->size();
    window->showMinimized();
    if (!window->isMinimized())
        GTEST_SKIP() << "this platform does not minimise windows";
    ui->resize(ui->width() - 100, ui->height() - 100);
    EXPECT_EQ(strip->size(), before);
    window->showNormal();
    ui->resize(ui->width() - 50, ui->height());
    EXPECT_NE(strip->size(), before);
}

TEST_F(EditorTest, TabsSwitchPagesAndPanes)
{
    ui->programTab(1)->tabs()->setCurrentIndex(1);
    EXPECT_TRUE(ui->pageMode()->display()->isVisible());
    EXPECT_FALSE(editor->isVisible());
    ui->programTab(0)->tabs()->setCurrentIndex(1);
    EXPECT_FALSE(ui->pageMode()->isVisible());
    EXPECT_TRUE(ui->findChild<QWidget*>("SubPage(2)")->isVisible());
    ui->programTab(2)->tabs()->setCurrentIndex(1);
    EXPECT_TRUE(ui->findChild<QWidget*>("SubPage(3)")->isVisible());
    EXPECT_FALSE(ui->findChild<QWidget*>("SubPage(2)")->isVisible());
}
