#include "TrendWindow.h"
#include "MemoryReader.h"
#include "TempAppFolder.h"
#include "TextFile.h"
#include "TimeText.h"
#include "TrendView.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace history;
using namespace history::trend;

namespace {

Sample number(std::int64_t t, double v)
{
    return {t, Quality::Good, true, v, {}};
}

// A trend window over one minute-by-minute day of a level, with the link lost for the last but one hour.
class TrendWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto owned = std::make_unique<MemoryReader>();
        reader = owned.get();
        auto& level = reader->of("Line1", "N7:0");
        for (std::int64_t t = now - Day; t < now - 2 * Hour; t += Minute)
            level.push_back(number(t, double((t / Minute) % 100)));
        level.push_back({now - 2 * Hour, Quality::LinkLost, false, 0, {}});
        level.push_back(number(now - Hour, 42));
        window = std::make_unique<TrendWindow>(std::move(owned), [this] { return now; });
        window->resize(900, 500);
        window->show();
        window->addTopic({"Line1", "N7:0", "Tank level"});
    }

    TrendView* view() const { return window->view(); }
    const TrendPen& pen() const { return window->model().pens().front(); }
    int xOf(std::int64_t t) const
    {
        const QRect plot = view()->plotRect();
        const auto& w = window->model().window();
        return plot.left() + int((t - w.fromMs) * plot.width() / w.span());
    }

    std::int64_t now = 1'800'000'000'000;
    MemoryReader* reader = nullptr;
    std::unique_ptr<TrendWindow> window;
};

} // namespace

TEST_F(TrendWindowTest, RangesAskTheHistoryForTheirSpanEndingNow)
{
    EXPECT_EQ(window->model().window(), endingNow(10 * Minute, now));
    EXPECT_EQ(pen().topic.label(), QStringLiteral("Tank level (Line1 N7:0)"));
    window->showRange(3);
    EXPECT_EQ(reader->askedFrom, now - Day);
    EXPECT_EQ(reader->askedTo, now);
    EXPECT_EQ(pen().samples.size(), 22u * 60 + 2);
    EXPECT_TRUE(window->findChild<QAbstractButton*>(QStringLiteral("Range(3)"))->isChecked());
}

// The wheel zooms about the time under the mouse; a drag to the right goes back and stops following now.
TEST_F(TrendWindowTest, WheelZoomsAndDragPans)
{
    window->showRange(1);
    const QPoint middle = view()->plotRect().center();
    QWheelEvent wheel(middle, view()->mapToGlobal(middle), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(view(), &wheel);
    EXPECT_EQ(window->model().window().span(), 48 * Minute);
    EXPECT_TRUE(window->model().window().followsNow);
    EXPECT_FALSE(window->findChild<QAbstractButton*>(QStringLiteral("Range(1)"))->isChecked());

    const std::int64_t zoomedFrom = window->model().window().fromMs;
    QTest::mousePress(view(), Qt::LeftButton, {}, middle);
    QTest::mouseMove(view(), middle + QPoint(view()->plotRect().width() / 4, 0));
    QTest::mouseRelease(view(), Qt::LeftButton, {}, middle + QPoint(view()->plotRect().width() / 4, 0));
    const TimeWindow panned = window->model().window();
    EXPECT_FALSE(panned.followsNow);
    EXPECT_NEAR(double(panned.toMs), double(now - 12 * Minute), double(Minute) / 10);
    // Only the uncovered stretch was read, and what is held is what a whole read gives.
    EXPECT_EQ(reader->askedTo, zoomedFrom - 1);
    const auto whole = reader->samples({"Line1", "N7:0"}, panned.fromMs, panned.toMs);
    ASSERT_EQ(pen().samples.size(), whole.size());
    for (size_t i = 0; i < whole.size(); ++i)
        EXPECT_EQ(pen().samples[i].timeMs, whole[i].timeMs) << i;
    // A stopped window does not move with the clock.
    now += Minute;
    window->poll();
    EXPECT_EQ(window->model().window(), panned);
}

TEST_F(TrendWindowTest, CursorReadsValueAndGapReason)
{
    window->showRange(3);
    const int inGap = xOf(now - Hour - 30 * Minute);
    const QPointF at(inGap, view()->plotRect().center().y());
    QMouseEvent hover(QEvent::MouseMove, at, view()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(view(), &hover);
    ASSERT_TRUE(view()->cursorTime());
    EXPECT_NEAR(double(*view()->cursorTime()), double(now - 90 * Minute),
                double(Day) / view()->plotRect().width());
    EXPECT_EQ(TrendPlot::readout(window->model(), pen(), *view()->cursorTime()), QStringLiteral("Link lost"));
    EXPECT_EQ(TrendPlot::readout(window->model(), pen(), now - Hour + Second), QStringLiteral("42"));
    EXPECT_EQ(TrendPlot::readout(window->model(), pen(), now - 3 * Day), QStringLiteral("no value"));
}

// A week is read as the store's summary, not sample by sample; what the cursor reads and the export writes
// are still the samples themselves.
TEST_F(TrendWindowTest, LongRangeReadsASummaryButReadsOutAndExportsEverySample)
{
    window->showRange(4);
    view()->grab();
    EXPECT_GT(reader->askedBucket, 0);
    EXPECT_LT(pen().samples.size(), reader->of("Line1", "N7:0").size() / 2);
    const std::int64_t t = now - Day + 37 * Minute + 20 * Second;
    EXPECT_EQ(TrendPlot::readout(window->model(), pen(), t), QString::number((t / Minute) % 100));
    EXPECT_EQ(window->model().shownSamples(pen()).size(), reader->of("Line1", "N7:0").size());

    window->showRange(0);
    EXPECT_EQ(reader->askedBucket, 0);
}

// Where the recorder stopped vouching for a pen its line ends, and "Not recorded" runs on to now, until it
// vouches again.
TEST_F(TrendWindowTest, LineEndsWhereTheRecorderStoppedVouching)
{
    reader->recorded[{"Line1", "N7:0"}] = now - 30 * Minute;
    window->showRange(1);
    view()->grab();
    ASSERT_EQ(pen().trace.gaps.size(), 1u);
    EXPECT_EQ(pen().trace.gaps[0].fromMs, now - 30 * Minute);
    EXPECT_EQ(pen().trace.gaps[0].reason, "Not recorded");
    EXPECT_EQ(pen().trace.segments.back().back().column, xOf(now - 30 * Minute - 1) - view()->plotRect().left());
    EXPECT_EQ(TrendPlot::readout(window->model(), pen(), now - 10 * Minute), QStringLiteral("Link lost: Not recorded"));
    EXPECT_EQ(TrendPlot::readout(window->model(), pen(), now - 40 * Minute), QStringLiteral("42"));

    reader->recorded[{"Line1", "N7:0"}] = now - Second;
    window->poll();
    view()->grab();
    EXPECT_TRUE(pen().trace.gaps.empty());
    EXPECT_EQ(TrendPlot::readout(window->model(), pen(), now - 10 * Minute), QStringLiteral("42"));
}

// A long label in a narrow legend is shortened; the reading the user hovers for stays whole.
TEST_F(TrendWindowTest, LegendShortensTheLabelNotTheReading)
{
    const QFontMetrics metrics = view()->fontMetrics();
    const QString label = QStringLiteral("Pump speed (rpm) (Line1 Program:MainProgram.Pump_Speed)");
    const QString reading = QStringLiteral(" = 1234.5");
    const int width = metrics.horizontalAdvance(label) / 2;
    const QString entry = TrendPlot::legendEntry(label, reading, metrics, width);
    EXPECT_TRUE(entry.endsWith(reading)) << entry.toStdString();
    EXPECT_LE(metrics.horizontalAdvance(entry), width);
    EXPECT_EQ(TrendPlot::legendEntry(label, reading, metrics, 10 * width), label + reading);
}

// The link-lost hour shows no line, only the hatched band; the hour after holds the last value as a line.
TEST_F(TrendWindowTest, GapIsDrawnAsAGap)
{
    window->showRange(2);
    QImage image(view()->size(), QImage::Format_RGB32);
    view()->render(&image);
    const QRect plot = view()->plotRect();
    // Columns where the pen's colour covers two pixels side by side: a line, not the hatch's diagonal.
    const auto lineColumns = [&](int from, int to) {
        int columns = 0;
        for (int x = from; x < to; ++x)
            for (int y = plot.top() + 1; y < plot.bottom(); ++y)
                if (QColor(image.pixel(x, y)) == pen().colour &&
                    QColor(image.pixel(x + 1, y)) == pen().colour) {
                    ++columns;
                    break;
                }
        return columns;
    };
    const int gapFrom = xOf(now - 2 * Hour) + 2, gapTo = xOf(now - Hour) - 2;
    EXPECT_EQ(lineColumns(gapFrom, gapTo), 0);
    EXPECT_EQ(lineColumns(gapTo + 4, plot.right() - 1), plot.right() - 1 - (gapTo + 4));
    ASSERT_EQ(pen().trace.gaps.size(), 1u);
    EXPECT_EQ(pen().trace.segments.size(), 2u);
    EXPECT_EQ(pen().trace.segments.back().back().column, plot.width() - 1);
}

TEST_F(TrendWindowTest, PollAppendsWhatWasRecordedSinceAndExportWritesTheShownRange)
{
    const QString held = QString::fromStdString(fullTime(now - Hour));
    now += 30 * Second;
    reader->of("Line1", "N7:0").push_back(number(now - Second, 43));
    window->poll();
    EXPECT_EQ(window->model().window(), endingNow(10 * Minute, now));
    ASSERT_EQ(pen().samples.size(), 2u); // the value holding at the left edge and the new one
    EXPECT_EQ(pen().samples.back().number, 43);

    window->addTopic({"Line1", "B3:0/1", ""});
    EXPECT_FALSE(window->addTopic({"Line1", "N7:0", "again"}));
    TempAppFolder folder;
    const QString path = folder.path() + QStringLiteral("trend.csv");
    ASSERT_TRUE(window->exportCsv(path));
    EXPECT_EQ(TextFile::readLines(path).value(),
              (QStringList{QStringLiteral("Time (UTC),Pen,Value,Quality"),
                           held + QStringLiteral(",Tank level (Line1 N7:0),42,Good"),
                           QString::fromStdString(fullTime(now - Second)) +
                               QStringLiteral(",Tank level (Line1 N7:0),43,Good")}));
}

// A trend opened before anything was recorded finds the history once the recorder has made it.
TEST(TrendWindowReader, HistoryMadeAfterTheWindowOpenedIsFound)
{
    const std::int64_t now = 1'800'000'000'000;
    TrendWindow window(nullptr, [&] { return now; });
    window.addTopic({"Line1", "N7:0", "Tank level"});
    bool recorded = false;
    window.retryReader([&]() -> std::unique_ptr<HistoryReader> {
        if (!recorded)
            return nullptr;
        auto reader = std::make_unique<MemoryReader>();
        reader->of("Line1", "N7:0").push_back(number(now - Minute, 7));
        return reader;
    });
    for (int i = 0; i < 20; ++i)
        window.poll();
    EXPECT_FALSE(window.model().hasReader());
    recorded = true;
    for (int i = 0; i < 10; ++i)
        window.poll();
    ASSERT_TRUE(window.model().hasReader());
    ASSERT_EQ(window.model().pens().front().samples.size(), 1u);
    EXPECT_EQ(window.model().pens().front().samples.front().number, 7);
}
