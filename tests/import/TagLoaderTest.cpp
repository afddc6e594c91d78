#include "TagLoader.h"
#include "ImportTestData.h"
#include "ImportViewer.h"
#include "KeyedTree.h"
#include "ListingModel.h"
#include "Messages.h"
#include "NodeList.h"
#include "PLCData.h"
#include "PLCLoader.h"
#include "SplitterGrip.h"
#include "THMIUtil.h"
#include "TempAppFolder.h"
#include "Twips.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace ImportTestData;

namespace {

struct TagLoaderTest : ::testing::Test {
    TempAppFolder app;
    MessageRecorder messages;
    NodeList pages;
    QWidget owner;
    std::unique_ptr<THMIUtil> util;
    std::unique_ptr<TagLoader> loader;
    // Answers of the open-file dialog, in order; none left is a cancel.
    QStringList chosen;

    void SetUp() override {
        util = std::make_unique<THMIUtil>(pages, &owner);
        loader = std::make_unique<TagLoader>(util.get());
        loader->chooseFile = [this] { return chosen.isEmpty() ? QString() : chosen.takeFirst(); };
        loader->resize(1000, 700);
        loader->show();
    }

    QString importFile(const QString& name, const QByteArray& csv) {
        TempAppFolder::write(app.path() + name, csv);
        chosen << app.path() + name;
        loader->mnu_Click(0);
        return app.path() + name;
    }

    // The details pane's upper text after clicking the node with this text.
    QString details(const QString& text) const {
        loader->FlagTree()->select(nodeWithText(*loader->FlagTree(), text));
        return loader->detailText(0);
    }
    QLineEdit* box(int i) const { return util->PLCDataIn(i); }
    void press(int button) const {
        util->findChild<QPushButton*>(QStringLiteral("PB(%1)").arg(button))->click();
    }
    QStringList savedHeader(const QString& file) const {
        return QString::fromLatin1(TempAppFolder::read(app.tstruct(file))).split("\r\n").mid(0, 4);
    }
};

} // namespace

TEST_F(TagLoaderTest, ImportFillsTheTreeAndASecondImportReplacesIt) {
    importFile("Line1.csv", rslogix500());
    EXPECT_EQ(loader->windowTitle(), "Tag Data for: Line1.csv");
    EXPECT_EQ(loader->FlagTree()->count(), 19);
    EXPECT_TRUE(loader->FlagTree()->isVisible());
    EXPECT_FALSE(util->isVisible());

    importFile("Plc5k.csv", rslogix5000());
    EXPECT_EQ(loader->windowTitle(), "Tag Data for: Plc5k.csv");
    EXPECT_EQ(loader->FlagTree()->count(), 10);
    EXPECT_EQ(loader->FlagTree()->indexOf("RSLogix500"), 0);
    EXPECT_EQ(loader->FlagTree()->topLevelItemCount(), 2);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_TRUE(stagedLeft().isEmpty());

    // Cancelling the dialog changes nothing and says nothing.
    loader->mnu_Click(0);
    EXPECT_EQ(loader->FlagTree()->count(), 10);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(TagLoaderTest, NodeDetailsTellTextDetailChildrenAndParent) {
    importFile("Line1.csv", rslogix500());
    KeyedTree* tree = loader->FlagTree();
    // The root's tag carries no scope index: it is its own detail.
    EXPECT_EQ(details("RSLogix500"), "Tag: RSLogix500 :: RSLogix500\r\nSub Elements :: 6\r\n");
    EXPECT_EQ(details("B3"), "Tag: B3 :: B3\r\nSub Elements :: 1\r\nTotal Sub Elements :: 3\r\n"
                             "Parent :: RSLogix500\r\n");
    EXPECT_EQ(details("B3:0/0"), "Tag: B3:0/0 :: START:  Start button\r\nSub Elements :: 0\r\n"
                                 "Total Sub Elements :: 0\r\nParent :: B3:0\r\n");
    // A last child has no next sibling to count to.
    EXPECT_EQ(details("B3:0/1"),
              "Tag: B3:0/1 :: STOP:  Stop, red\r\nSub Elements :: 0\r\nParent :: B3:0\r\n");
    EXPECT_EQ(loader->TagDatVal(0)->toPlainText(), "Tag: B3:0/1 :: STOP:  Stop, red\nSub Elements :: 0\n"
                                                   "Parent :: B3:0\n");

    details("B3:0");
    EXPECT_EQ(loader->detailText(1),
              "Subelements :: \r\nB3:0/0 :: START:  Start button\r\nB3:0/1 :: STOP:  Stop, red\r\n");

    const int n7 = nodeWithText(*tree, "N7");
    tree->setTag(n7, "");
    tree->select(0);
    EXPECT_TRUE(loader->detailText(0).isEmpty());
    EXPECT_TRUE(loader->TagDatVal(1)->toPlainText().isEmpty());
    EXPECT_TRUE(details("N7").startsWith("Tag: N7\r\nSub Elements :: 1\r\n"));
}

TEST_F(TagLoaderTest, TotalSubElementsCountsDescendantsWhereScopesInterleave) {
    importFile("Plc5k.csv", rslogix5000());
    // The scope roots stand first, their tags after all of them; Rack of MainProgram lies between Motor
    // and Level of Controller_Tags.
    EXPECT_EQ(details("Controller_Tags"),
              "Tag: Controller_Tags :: Controller_Tags\r\nSub Elements :: 2\r\nTotal Sub Elements :: 5\r\n");
    EXPECT_EQ(details("Motor"), "Tag: Motor :: MOTOR_T\r\nSub Elements :: 1\r\nTotal Sub Elements :: 3\r\n"
                                "Parent :: Controller_Tags\r\n");
}

TEST_F(TagLoaderTest, SavePLCAsksForNameAndTopicThenWritesTheStructureFile) {
    importFile("Line1.csv", rslogix500());
    QSignalSpy saved(loader.get(), &TagLoader::plcSaved);

    loader->mnu_Click(2);
    ASSERT_TRUE(util->isVisible());
    EXPECT_EQ(util->mode(), THMIUtil::PLCFrame);
    EXPECT_EQ(util->windowTitle(), "Please enter Data for Line1.csv");
    EXPECT_EQ(QStringList({box(0)->text(), box(1)->text(), box(2)->text(), box(3)->text()}),
              QStringList({"Line1.csv", "RSLogix500", "No Topic Defined", "Line1.csv"}));
    EXPECT_TRUE(box(1)->isReadOnly());
    EXPECT_TRUE(box(3)->isReadOnly());
    box(0)->setText("  Line 1\tpress ");
    box(2)->setText("PRESS1");
    press(0);

    EXPECT_FALSE(util->isVisible());
    ASSERT_EQ(saved.count(), 1);
    EXPECT_EQ(saved.at(0).at(0).toString(), app.tstruct("Line1.stc"));
    // A TAB would have split the node tag of the PLC list.
    EXPECT_EQ(savedHeader("Line1.stc"), QStringList({"Line 1 press", "RSLogix500", "PRESS1", "Line1.csv"}));
    EXPECT_EQ(loader->windowTitle(), "Tag Data for: Line 1 press");
    NodeList list;
    EXPECT_EQ(PLCLoader::Load_PLC_List(list), 1);
    EXPECT_GT(list.indexOf("1Line 1 press"), 0);

    // Cancel saves nothing, and a later Save of the frame is not taken for this window.
    QFile::remove(app.tstruct("Line1.stc"));
    loader->mnu_Click(2);
    press(1);
    EXPECT_FALSE(util->isVisible());
    util->PB_Click(0);
    EXPECT_FALSE(QFile::exists(app.tstruct("Line1.stc")));
    EXPECT_EQ(saved.count(), 1);

    // The preset topic is stored as it stands.
    importFile("Line1.csv", rslogix500());
    loader->mnu_Click(2);
    press(0);
    EXPECT_EQ(savedHeader("Line1.stc"),
              QStringList({"Line1.csv", "RSLogix500", "No Topic Defined", "Line1.csv"}));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

TEST_F(TagLoaderTest, NothingImportedNothingSaved) {
    // The record of an earlier import must not be saved with an empty tree over its file.
    PLCRecord = {"Old", "RSLogix500", "OLD", "Old.csv", "0\tController_Tags\t"};
    TempAppFolder::write(app.tstruct("Old.stc"), "kept");
    loader->mnu_Click(2);
    EXPECT_FALSE(util->isVisible());
    EXPECT_EQ(messages.texts(), QStringList{"There are no imported tags to save. Use Load Tags first."});
    EXPECT_EQ(TempAppFolder::read(app.tstruct("Old.stc")), QByteArray("kept"));

    // A re-export that yields no addresses still has its root: refused as the converter refuses it.
    messages.clear();
    const QString path = importFile("Old.csv", "\"Address\",\"Symbol\"\r\nnothing here\r\n");
    ASSERT_EQ(loader->FlagTree()->count(), 1);
    loader->mnu_Click(2);
    EXPECT_FALSE(util->isVisible());
    EXPECT_EQ(messages.texts(), QStringList{"No tags were found in " + path + "; there is nothing to save."});
    EXPECT_EQ(TempAppFolder::read(app.tstruct("Old.stc")), QByteArray("kept"));

    // A sheet that is not an export is refused at once; its lines would otherwise pass for addresses.
    messages.clear();
    importFile("Old.csv", "Name,Value,Unit\r\nTank level,42,%\r\nSpeed,1200,rpm\r\n");
    EXPECT_EQ(loader->FlagTree()->count(), 0);
    loader->mnu_Click(2);
    EXPECT_FALSE(util->isVisible());
    ASSERT_EQ(messages.texts().size(), 2);
    EXPECT_TRUE(messages.texts()[0].startsWith(path + " is not a tag export"))
        << messages.texts()[0].toStdString();
    EXPECT_EQ(TempAppFolder::read(app.tstruct("Old.stc")), QByteArray("kept"));
}

TEST_F(TagLoaderTest, NamesOutsideLatin1AreRefusedBeforeAnythingIsWritten) {
    const QString omega = QString::fromUtf8("\u03a9mega");
    importFile(omega + ".csv", rslogix500());
    loader->mnu_Click(2);
    EXPECT_FALSE(util->isVisible());
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(
        messages.texts()[0].startsWith("The imported file name \"" + omega + ".csv\" holds characters"));

    // A typed name is refused by the save itself.
    messages.clear();
    importFile("Line1.csv", rslogix500());
    loader->mnu_Click(2);
    box(0)->setText(omega);
    press(0);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith("The PLC name \"" + omega + "\" holds characters"));
    EXPECT_TRUE(QDir(app.tstruct("")).entryList(QDir::Files).isEmpty());
}

TEST_F(TagLoaderTest, LayoutKeepsMarginsAndTheSplitterLimits) {
    QWidget* pane = loader->centralWidget();
    const int margin = Twips::toPixels(TagLoader::MarginTwips);
    const int limit = Twips::toPixels(TagLoader::SplitterLimitTwips);
    auto check = [&] {
        const QRect tree = loader->FlagTree()->geometry();
        const QRect upper = loader->TagDatVal(0)->geometry(), lower = loader->TagDatVal(1)->geometry();
        EXPECT_EQ(tree.left(), 0);
        EXPECT_EQ(tree.bottom(), pane->height() - margin - 1);
        EXPECT_EQ(loader->splitter()->x(), tree.right() + 1);
        EXPECT_EQ(upper.left(), loader->splitter()->geometry().right() + 1);
        EXPECT_EQ(upper.right(), pane->width() - margin - 1);
        EXPECT_EQ(lower.right(), pane->width() - margin - 1);
        EXPECT_EQ(lower.bottom(), pane->height() - margin - 1);
        EXPECT_LT(upper.bottom(), lower.top());
    };
    check();

    SplitterGrip* grip = loader->splitter();
    grip->imgSplitter_MouseDown();
    EXPECT_TRUE(grip->bar()->isVisible());
    EXPECT_EQ(grip->bar()->geometry(), grip->geometry());
    grip->imgSplitter_MouseMove(-5000);
    grip->imgSplitter_MouseUp();
    EXPECT_EQ(loader->FlagTree()->width(), limit);
    check();
    grip->imgSplitter_MouseDown();
    grip->imgSplitter_MouseMove(5000);
    grip->imgSplitter_MouseUp();
    EXPECT_EQ(grip->x(), pane->width() - limit);
    check();

    loader->resize(1200, 800);
    check();
}

TEST_F(TagLoaderTest, ViewImportAndDoneInsideTheFrame) {
    QMdiArea area;
    Messages::setTitle("Corvane");
    ImportViewer* viewer = new ImportViewer;
    QMdiSubWindow* viewerSub = area.addSubWindow(viewer);
    loader = std::make_unique<TagLoader>(util.get(), viewer);
    Messages::setTitle(QString());
    loader->chooseFile = [this] { return chosen.isEmpty() ? QString() : chosen.takeFirst(); };
    QMdiSubWindow* sub = area.addSubWindow(loader.get());
    // The test owns the window; closing the sub-window must not delete it.
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    area.show();
    sub->show();
    viewerSub->hide();

    const QString path = importFile("Line1.csv", rslogix500());
    EXPECT_EQ(sub->windowTitle(), "Tag Data for: Line1.csv");
    loader->mnu_Click(1);
    EXPECT_TRUE(viewerSub->isVisible());
    EXPECT_EQ(area.activeSubWindow(), viewerSub);
    EXPECT_EQ(viewer->filePath(), path);
    EXPECT_EQ(viewer->listing()->rowCount(), 10);

    // Both windows show the way back where the user looks; it does what "&Done" does.
    auto back = [](QWidget* window) { return window->findChild<QAction*>("BackTo"); };
    ASSERT_TRUE(back(viewer) && back(loader.get()));
    EXPECT_EQ(back(loader.get())->text(), "Back to Corvane");
    back(viewer)->trigger();
    EXPECT_FALSE(viewerSub->isVisible());
    back(loader.get())->trigger();
    EXPECT_FALSE(sub->isVisible());
    (void)area.removeSubWindow(loader.get());

    // Without a viewer of its own the window asks its owner to show one.
    TagLoader alone(util.get());
    QSignalSpy asked(&alone, &TagLoader::viewImportRequested);
    alone.mnu_Click(1);
    ASSERT_EQ(asked.count(), 1);
    EXPECT_TRUE(asked.at(0).at(0).toString().isEmpty());
}
