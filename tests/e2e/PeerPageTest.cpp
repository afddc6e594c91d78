// A viewer page linked to a real controller: the simulator nobody here wrote, behind the real CommServer.

#include "DataView.h"
#include "KeyedTree.h"
#include "LinkFixture.h"
#include "MarkGrid.h"
#include "MarkedRows.h"
#include "Messages.h"
#include "Monitor.h"
#include "PageDisplay.h"
#include "PeerController.h"
#include "TagGrid.h"
#include "TempAppFolder.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QByteArray Project = "Main\tS1\tPLC1\tController PLC1\t\r\n"
                           "Begin Topics\r\n"
                           "#S1\r\n"
                           "RSLinx|PLC1\tCounts[2]\tBatch count\t1\t0\t0\t\r\n"
                           "RSLinx|PLC1\tTank_Level\tLevel of tank 1\t0\t0\t0\t\r\n";

class PeerPage : public LinkFixture {};

} // namespace

TEST_F(PeerPage, ViewerPageShowsAndWritesTheControllersValues)
{
    SKIP_WITHOUT_PEER();
    PeerController peer({QStringLiteral("--plc=ControlLogix"), QStringLiteral("--path=1,0"),
                         QStringLiteral("--tag=Tank_Level:REAL[1]"), QStringLiteral("--tag=Counts:DINT[10]")});
    ASSERT_TRUE(peer.start());
    {
        PeerClient seed(peer.port(), QStringLiteral("1,0"));
        ASSERT_TRUE(seed.write(QStringLiteral("Tank_Level"), QByteArray::fromHex("ca00 00004841"))); // 12.5
    }
    TempAppFolder folder(TempAppFolder::Folders::None);
    const QString topics = folder.path() + "CommTopics.txt";
    TempAppFolder::write(topics, logixTopicLine("PLC1", peer.port()).toLatin1() + "\r\n");
    TempAppFolder::write(folder.path() + "Plant.prj", Project);
    server.setArgs({QStringLiteral("--topics"), topics, QStringLiteral("--no-rules")});
    ASSERT_TRUE(server.start());

    MessageRecorder messages;
    auto viewer = std::make_unique<DataView>(folder.path());
    viewer->show();
    viewer->ProjectList_Click("Plant");
    viewer->progTree()->select(2);
    viewer->ProgTree_NodeClick(2);
    PageDisplay* page = viewer->display();
    ASSERT_EQ(page->elementCount(), 2);
    EXPECT_EQ(page->dataTopic(0)->text(), QStringLiteral("0"));
    EXPECT_EQ(page->dataTopic(1)->text(), QStringLiteral("12.5"));

    // Another client of the server writes into the controller: the read-only box follows.
    EXPECT_EQ(server.set("PLC1", "Counts[2]", "77"), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return page->dataTopic(0)->text() == QStringLiteral("77"); }, 3000))
        << page->dataTopic(0)->text().toStdString();

    // The operator writes the level in the box.
    ASSERT_TRUE(page->dataTopic(1)->isEnabled());
    page->BeginValueEdit(1);
    page->dataTopicOut(1)->setText("0.25");
    page->DataTopicOut_KeyUp(1, 13);
    EXPECT_EQ(page->dataTopic(1)->text(), QStringLiteral("0.25"));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(" | ").toStdString();

    // Both values are in the controller itself, read over a connection of the test's own once the server,
    // its only other client, is gone.
    viewer.reset();
    ASSERT_EQ(server.control({QStringLiteral("--quit")}), 0);
    server.process().waitForFinished(3000);
    PeerClient check(peer.port(), QStringLiteral("1,0"));
    EXPECT_EQ(check.read(QStringLiteral("Counts[2]")), QStringLiteral("77"));
    EXPECT_EQ(check.read(QStringLiteral("Tank_Level")), QStringLiteral("0.25"));
}

TEST_F(PeerPage, MonitorRowSaysWhyWhileTheControllerIsAwayAndRecoversByItself)
{
    SKIP_WITHOUT_PEER();
    PeerController peer({QStringLiteral("--plc=ControlLogix"), QStringLiteral("--path=1,0"),
                         QStringLiteral("--tag=Tank_Level:REAL[1]")});
    ASSERT_TRUE(peer.start());
    TempAppFolder folder(TempAppFolder::Folders::None);
    const QString topics = folder.path() + "CommTopics.txt";
    TempAppFolder::write(topics, logixTopicLine("PLC1", peer.port(), 500).toLatin1() + "\r\n");
    server.setArgs({QStringLiteral("--topics"), topics, QStringLiteral("--no-rules")});
    ASSERT_TRUE(server.start());

    QWidget window;
    auto* grid = new MarkGrid(&window);
    grid->resize(600, 200);
    PLCTagHandler::Init_Tag_Grid(grid);
    grid->cells().setShape(2, PLCTagHandler::TagGridColumns);
    grid->cells().setText(1, 0, MarkedRow);
    grid->cells().setText(1, 2, QStringLiteral("Tank_Level"));
    Monitor monitor(grid, new QPushButton(&window), new QCheckBox(&window), &window);
    window.show();
    monitor.BuildMonitorLinks(QStringLiteral("PLC1"), QString());
    monitor.ToggleMonitor();
    const auto cell = [&] { return grid->cells().text(1, Monitor::ValueColumn); };
    const auto tip = [&] { return grid->model()->index(0, Monitor::ValueColumn).data(Qt::ToolTipRole).toString(); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return cell() == QStringLiteral("0"); }, 3000)) << cell().toStdString();

    peer.freeze(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return cell() == QStringLiteral("?"); }, 5000));
    EXPECT_TRUE(tip().startsWith(QStringLiteral("Server error"))) << tip().toStdString();
    peer.freeze(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return cell() == QStringLiteral("0"); }, 15000)) << cell().toStdString();
    EXPECT_TRUE(tip().isEmpty());
}
