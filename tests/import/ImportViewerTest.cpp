#include "ImportViewer.h"
#include "ImportTestData.h"
#include "ListingModel.h"
#include "Messages.h"
#include "TempAppFolder.h"

#include <QAction>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableView>

#include <gtest/gtest.h>

using namespace ImportTestData;

namespace {

QStringList headers(const ListingModel& model) {
    QStringList out;
    for (int c = 0; c < model.columnCount(); ++c)
        out << model.headerData(c, Qt::Horizontal).toString();
    return out;
}

} // namespace

TEST(ImportViewer, ShowsAnRSLogix500ExportWithRowDetails) {
    TempAppFolder app;
    MessageRecorder messages;
    TempAppFolder::write(app.path() + "Line1.csv", rslogix500());
    ImportViewer viewer;
    viewer.show();
    RecordingProgress progress;
    viewer.setProgress(&progress);
    ASSERT_TRUE(viewer.Load_Listing(app.path() + "Line1.csv"));

    const ListingModel& model = *viewer.listing();
    EXPECT_EQ(viewer.windowTitle(), "Listing for: Line1.csv");
    EXPECT_EQ(viewer.exportKind(), 2);
    EXPECT_EQ(model.rowCount(), 10);
    // Three headers to begin with, widened to the eight fields of the widest line.
    EXPECT_EQ(headers(model), QStringList({"TAG", "", "", "", "", "", "", ""}));
    EXPECT_EQ(model.headerData(4, Qt::Vertical).toInt(), 5);
    EXPECT_EQ(model.field(4, 3), "Stop, red");
    EXPECT_EQ(progress.captions, QStringList({"Loading File...", "Setting widths..."}));

    // Row 1 is selected after loading; its description columns are empty.
    EXPECT_EQ(viewer.detailText(), "TAG: Address\r\nLABEL: Scope\r\nDESCRIPTION: Description    ");
    EXPECT_EQ(viewer.rowDetails(4), "TAG: B3:0/0\r\nLABEL: START\r\nDESCRIPTION: Start button   ");
    EXPECT_EQ(viewer.rowDetails(8), "TAG: I:0.0/0\r\nLABEL: \r\nDESCRIPTION:     ");
    auto* table = viewer.findChild<QTableView*>("TagList");
    ASSERT_TRUE(table);
    table->setCurrentIndex(model.index(3, 1));
    EXPECT_EQ(viewer.findChild<QPlainTextEdit*>("TDat")->toPlainText(),
              "TAG: B3:0/0\nLABEL: START\nDESCRIPTION: Start button   ");
    EXPECT_TRUE(viewer.findChild<QLabel*>("wVal"));
    EXPECT_TRUE(viewer.findChild<QAction*>("mnu(0)"));
    EXPECT_TRUE(table->isVisible());

    // Every column shows its widest text in full with 150 twips to spare.
    const QFontMetricsF metrics(viewer.findChild<QLabel*>("wVal")->font());
    for (int c = 0; c < model.columnCount(); ++c) {
        qreal widest = metrics.horizontalAdvance(headers(model)[c]);
        for (int r = 0; r < model.rowCount(); ++r)
            widest = std::max(widest, metrics.horizontalAdvance(model.field(r, c)));
        EXPECT_GE(table->columnWidth(c), widest + 10) << c;
        EXPECT_LE(table->columnWidth(c),
                  std::max(widest + 12, qreal(table->horizontalHeader()->minimumSectionSize())))
            << c;
    }
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST(ImportViewer, ShowsAnRSLogix5000ExportAsIs) {
    TempAppFolder app;
    QByteArray csv = rslogix5000();
    QByteArray wide = "TAG";
    for (int i = 1; i < 25; ++i)
        wide += "," + QByteArray::number(i);
    csv += wide + "\r\n";
    TempAppFolder::write(app.path() + "Plc5k.csv", csv);
    ImportViewer viewer;
    ASSERT_TRUE(viewer.Load_Listing(app.path() + "Plc5k.csv"));
    const ListingModel& model = *viewer.listing();
    EXPECT_EQ(viewer.exportKind(), 1);
    // Nothing is filtered: remark and header lines are rows.
    EXPECT_EQ(model.rowCount(), 13);
    EXPECT_EQ(model.field(0, 0), "remark");
    EXPECT_EQ(headers(model).mid(0, 7),
              QStringList({"TYPE", "SCOPE", "NAME", "DESCRIPTION", "DATATYPE", "SPECIFIER", ""}));
    // A line of 25 fields shows its first 21.
    EXPECT_EQ(model.columnCount(), 21);
    EXPECT_EQ(model.fieldCount(12), 21);
    EXPECT_EQ(model.field(12, 20), "20");
    EXPECT_EQ(model.field(4, 3), "Main drive, left");
    EXPECT_EQ(viewer.rowDetails(8),
              "NAME: Motor\r\nDESCRIPTION: $Qhot$Q  water\r\nDATATYPE: MOTOR_T\r\nSPECIFIER: Motor.Status.3");
    // A row with fewer fields reads the missing columns as empty.
    EXPECT_EQ(viewer.rowDetails(1), "NAME: \r\nDESCRIPTION: \r\nDATATYPE: \r\nSPECIFIER: ");
}

TEST(ImportViewer, OneLineFileAndUnreadableFile) {
    TempAppFolder app;
    MessageRecorder messages;
    TempAppFolder::write(app.path() + "One.csv", "N7:0,,,\"x\"");
    ImportViewer viewer;
    ASSERT_TRUE(viewer.Load_Listing(app.path() + "One.csv"));
    EXPECT_EQ(viewer.listing()->rowCount(), 1);
    EXPECT_EQ(viewer.windowTitle(), "Listing for: One.csv");

    EXPECT_FALSE(viewer.Load_Listing(app.path() + "Gone.csv"));
    EXPECT_EQ(messages.texts(), QStringList{"Load_Listing: File not found # 53"});
}

TEST(ImportViewer, WidestTextMatchesMeasuringEveryCell) {
    // A proportional font, where the longest text is not always the widest.
    ListingModel model;
    QByteArray csv;
    for (int i = 0; i < 3000; ++i)
        csv += "iiiiiiiiiiii" + QByteArray::number(i % 7) + ",WWWW,x\r\n";
    csv += "MMMMMMMMMM,WWWWi,\r\n";
    model.setListing(csv, {"A", "B", "C"});
    const QFontMetricsF metrics(QFont("Sans", 11));
    const std::vector<qreal> widest = model.widestTexts(metrics);
    ASSERT_EQ(widest.size(), 3u);
    for (int c = 0; c < 3; ++c) {
        qreal expected = metrics.horizontalAdvance(model.headerData(c, Qt::Horizontal).toString());
        for (int r = 0; r < model.rowCount(); ++r)
            expected = std::max(expected, metrics.horizontalAdvance(model.field(r, c)));
        EXPECT_NEAR(widest[size_t(c)], expected, 1.0) << c;
    }
}
