#include "CsvRows.h"
#include "Decimate.h"
#include "Readout.h"
#include "Summary.h"
#include "Ticks.h"
#include "TimeText.h"
#include "TimeWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace history;
using namespace history::trend;

namespace {

Sample number(std::int64_t t, double v)
{
    return {t, Quality::Good, true, v, {}};
}
Sample bad(std::int64_t t, Quality q, std::string reason = {})
{
    return {t, q, false, 0, std::move(reason)};
}

std::vector<Bucket> allBuckets(const Trace& trace)
{
    std::vector<Bucket> all;
    for (const Segment& s : trace.segments)
        all.insert(all.end(), s.begin(), s.end());
    return all;
}

} // namespace

// Every column's low and high are those of the values that hold anywhere in it, whatever the sample density.
TEST(Decimate, ColumnsHoldTheExtremesOfTheirValues)
{
    std::mt19937 random(7);
    const Columns columns{100'000, 1'100'000, 313};
    std::vector<Sample> samples{number(50'000, 5)}; // holds at the left edge
    for (std::int64_t t = 100'000; t < 1'100'000; t += 1 + std::int64_t(random() % 700))
        samples.push_back(number(t, double(random() % 1000)));
    const Trace trace = decimate(samples, columns, columns.toMs);
    ASSERT_EQ(trace.segments.size(), 1u);
    const auto buckets = allBuckets(trace);
    ASSERT_EQ(buckets.size(), 313u);
    for (const Bucket& b : buckets) {
        // The first time of a column is the first whose share of the span reaches it.
        const std::int64_t from = columns.fromMs + (b.column * 1'000'000 + 312) / 313;
        const std::int64_t to = columns.fromMs + ((b.column + 1) * 1'000'000 + 312) / 313;
        double low = 1e9, high = -1e9, first = 0, last = 0;
        for (size_t i = 0; i < samples.size(); ++i) {
            const std::int64_t end = i + 1 < samples.size() ? samples[i + 1].timeMs : columns.toMs;
            if (end <= from || samples[i].timeMs >= to)
                continue;
            if (low > high)
                first = samples[i].number;
            low = std::min(low, samples[i].number);
            high = std::max(high, samples[i].number);
            last = samples[i].number;
        }
        EXPECT_EQ(b.low, low) << b.column;
        EXPECT_EQ(b.high, high) << b.column;
        EXPECT_EQ(b.first, first) << b.column;
        EXPECT_EQ(b.last, last) << b.column;
    }
}

TEST(Decimate, BadQualityBreaksTheLineAndKeepsItsReason)
{
    const Columns columns{0, 100, 100};
    const std::vector<Sample> samples{number(0, 1),
                                      bad(20, Quality::LinkLost),
                                      bad(30, Quality::LinkLost), // still lost: one gap
                                      number(40, 2),
                                      bad(60, Quality::ServerError, "Server error: Timeout"),
                                      number(70, 3),
                                      {80, Quality::Good, false, 0, "OPEN"}};
    const Trace trace = decimate(samples, columns, 90);
    ASSERT_EQ(trace.gaps.size(), 2u);
    EXPECT_EQ(trace.gaps[0].fromMs, 20);
    EXPECT_EQ(trace.gaps[0].toMs, 40);
    EXPECT_EQ(trace.gaps[0].quality, Quality::LinkLost);
    EXPECT_EQ(trace.gaps[1].reason, "Server error: Timeout");
    ASSERT_EQ(trace.segments.size(), 3u);
    EXPECT_EQ(trace.segments[0].back().column, 19);
    EXPECT_EQ(trace.segments[1].front().column, 40);
    // A text value draws nothing, and nothing is drawn after the hold ends (now).
    EXPECT_EQ(trace.segments[2].back().column, 79);
}

TEST(Decimate, ValueBeforeTheWindowHoldsAtItsLeftEdgeOnly)
{
    const Columns columns{1000, 2000, 10};
    const Trace replaced = decimate({number(500, 9), number(1000, 4)}, columns, 2000);
    EXPECT_EQ(allBuckets(replaced).front().high, 4);
    const Trace held = decimate({number(500, 9), number(1550, 4)}, columns, 1800);
    const auto buckets = allBuckets(held);
    ASSERT_EQ(buckets.size(), 8u);
    EXPECT_EQ(buckets[0].first, 9);
    EXPECT_EQ(buckets[5].low, 4);
    EXPECT_EQ(buckets[5].high, 9);
}

// A summary in half-column buckets draws exactly as every sample does: the same lines, the same gaps.
TEST(Summary, DrawsAsEverySampleDoes)
{
    std::mt19937 random(11);
    std::vector<Sample> samples{number(-500, 3)};
    for (std::int64_t t = 0; t < 100'000; t += 1 + std::int64_t(random() % 40)) {
        const auto kind = random() % 100;
        samples.push_back(kind == 0   ? bad(t, Quality::LinkLost, "Link lost")
                          : kind == 1 ? Sample{t, Quality::Good, false, 0, "Stopped"}
                                      : number(t, double(random() % 1000) / 10));
    }
    const Columns grid{0, 100'000, 200};
    const std::vector<Sample> summary = summarise(samples, grid.fromMs, 250);
    EXPECT_LT(summary.size(), samples.size() / 2);
    const Trace whole = decimate(samples, grid, 100'000), summed = decimate(summary, grid, 100'000);
    const auto a = allBuckets(whole), b = allBuckets(summed);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].column, b[i].column) << i;
        EXPECT_EQ(a[i].first, b[i].first) << i;
        EXPECT_EQ(a[i].low, b[i].low) << i;
        EXPECT_EQ(a[i].high, b[i].high) << i;
        EXPECT_EQ(a[i].last, b[i].last) << i;
    }
    ASSERT_EQ(whole.gaps.size(), summed.gaps.size());
    for (size_t i = 0; i < whole.gaps.size(); ++i)
        EXPECT_EQ(whole.gaps[i].fromMs, summed.gaps[i].fromMs) << i;
}

TEST(Ticks, ValueStepsAreNiceAndCoverTheRange)
{
    EXPECT_DOUBLE_EQ(niceStep(97, 6), 20);
    EXPECT_DOUBLE_EQ(niceStep(0.3, 6), 0.05);
    const ValueRange r = niceRange(-0.3, 97, 6);
    EXPECT_DOUBLE_EQ(r.low, -20);
    EXPECT_DOUBLE_EQ(r.high, 100);
    const auto ticks = valueTicks(r, 6);
    EXPECT_EQ(ticks, (std::vector<double>{-20, 0, 20, 40, 60, 80, 100}));
    EXPECT_EQ(valueLabel(ticks[1], 20), "0");
    EXPECT_EQ(valueLabel(0.15, 0.05), "0.15");
    // A flat line still gets an axis around it.
    const ValueRange flat = niceRange(50, 50, 6);
    EXPECT_LT(flat.low, 50);
    EXPECT_GT(flat.high, 50);
}

TEST(Ticks, TimeTicksFallOnWholeLocalSteps)
{
    const std::int64_t offset = 2 * Hour; // local time two hours ahead of UTC
    const std::int64_t from = 10 * Day + 3 * Hour + 17 * Minute;
    const std::int64_t step = timeStep(8 * Hour, 8);
    EXPECT_EQ(step, Hour);
    const auto ticks = timeTicks(from, from + 8 * Hour, step, [](std::int64_t) { return 2 * Hour; });
    ASSERT_EQ(ticks.size(), 8u);
    EXPECT_EQ(tickLabel(ticks[0] + offset, step), "06:00");
    for (std::int64_t t : ticks)
        EXPECT_EQ((t + offset) % Hour, 0);
    EXPECT_EQ(timeStep(10 * Minute, 8), 2 * Minute);
    EXPECT_EQ(timeStep(7 * Day, 8), Day);
    // Midnight reads as the date.
    EXPECT_EQ(tickLabel(11 * Day, Hour), "01-12");
}

// Across the end of daylight saving time, day ticks stay on local midnight and hour ticks skip nothing.
TEST(Ticks, TimeTicksFollowAChangeOfOffset)
{
    const std::int64_t change = 20 * Day + Hour; // 03:00 summer time becomes 02:00 winter time
    const UtcOffset offsetAt = [&](std::int64_t utc) { return utc < change ? 2 * Hour : Hour; };
    const auto days = timeTicks(17 * Day, 24 * Day, Day, offsetAt);
    ASSERT_EQ(days.size(), 7u);
    for (std::int64_t t : days)
        EXPECT_EQ((t + offsetAt(t)) % Day, 0) << t;
    const auto hours = timeTicks(change - 3 * Hour, change + 3 * Hour, Hour, offsetAt);
    for (size_t i = 1; i < hours.size(); ++i)
        EXPECT_EQ(hours[i] - hours[i - 1], Hour) << i;
    EXPECT_EQ(hours.size(), 7u);
}

TEST(TimeText, FullTimeAcrossEras)
{
    EXPECT_EQ(fullTime(1'700'000'000'123), "2023-11-14 22:13:20.123");
    EXPECT_EQ(fullTime(-1000), "1969-12-31 23:59:59.000");
    EXPECT_EQ(fullTime(951'782'400'000), "2000-02-29 00:00:00.000");
}

TEST(TimeWindow, ZoomKeepsTheAnchorAndPanFollowsNowAgain)
{
    const std::int64_t now = 100 * Day;
    const TimeWindow start = endingNow(Hour, now);
    // Zooming in while following now keeps the right edge at now.
    EXPECT_EQ(zoomed(start, 0.5, now - 10 * Minute, now), endingNow(30 * Minute, now));

    const TimeWindow back = panned(start, -2 * Hour, now);
    EXPECT_FALSE(back.followsNow);
    EXPECT_EQ(back.toMs, now - 2 * Hour);
    const std::int64_t anchor = back.fromMs + 15 * Minute; // a quarter in
    const TimeWindow in = zoomed(back, 0.5, anchor, now);
    EXPECT_EQ(in.span(), 30 * Minute);
    EXPECT_EQ(in.fromMs + in.span() / 4, anchor);
    EXPECT_EQ(zoomed(back, 1e-9, anchor, now).span(), ShortestSpan);
    EXPECT_EQ(zoomed(back, 1e9, anchor, now).span(), LongestSpan);

    // Panning forward past now follows it again; a stopped window ignores the clock.
    EXPECT_EQ(panned(back, 3 * Hour, now), start);
    EXPECT_EQ(advanced(back, now + Hour), back);
    EXPECT_EQ(advanced(start, now + Hour), endingNow(Hour, now + Hour));
}

TEST(Readout, ValueOrReasonAtATime)
{
    const std::vector<Sample> samples{number(10, 1.5), bad(20, Quality::LinkLost),
                                      bad(30, Quality::ServerError, "Timeout"), number(40, 2)};
    EXPECT_EQ(sampleAt(samples, 9), nullptr);
    EXPECT_EQ(readingOf(*sampleAt(samples, 10)), "1.5");
    EXPECT_EQ(readingOf(*sampleAt(samples, 25)), "Link lost");
    EXPECT_EQ(readingOf(*sampleAt(samples, 39)), "Server error: Timeout");
    EXPECT_EQ(readingOf(bad(0, Quality::ServerError, "Server error: Timeout")), "Server error: Timeout");
    // The recorder stores its gaps as "Link lost" with that very text.
    EXPECT_EQ(readingOf(bad(0, Quality::LinkLost, "Link lost")), "Link lost");
    EXPECT_EQ(readingOf(bad(0, Quality::LinkLost, "Recorder stopped")), "Link lost: Recorder stopped");
    EXPECT_EQ(sampleAt(samples, 1000)->number, 2);
}

TEST(CsvRows, RowsQuoteWhatNeedsIt)
{
    std::vector<std::string> lines;
    appendCsvRows(
        lines, "Level, tank 1 (Line1 N7:0)",
        {number(0, 12.5), bad(1000, Quality::LinkLost), {2000, Quality::Good, false, 0, "say \"hi\""}});
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "1970-01-01 00:00:00.000,\"Level, tank 1 (Line1 N7:0)\",12.5,Good",
                         "1970-01-01 00:00:01.000,\"Level, tank 1 (Line1 N7:0)\",,Link lost",
                         "1970-01-01 00:00:02.000,\"Level, tank 1 (Line1 N7:0)\",\"say \"\"hi\"\"\",Good"}));
}
