#pragma once

#include "Decimate.h"
#include "Ticks.h"
#include "TimeWindow.h"
#include "TrendTopic.h"

#include <QColor>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// One line of the trend: its samples over the window and, for the width drawn, their decimation.
struct TrendPen {
    TrendTopic topic;
    QColor colour;
    // Every sample, or for a long window the store's summary in buckets of bucketMs (then followed by the
    // samples recorded since, tailCount of them).
    std::vector<history::Sample> samples;
    std::int64_t bucketMs = 0;
    std::size_t tailCount = 0;
    // Until when a recorder vouched for the samples.
    std::optional<std::int64_t> recordedUntil;
    history::trend::Trace trace;
    // Lowest and highest value the trace shows; invalid (low > high) when it shows none.
    history::trend::ValueRange shown{1, 0};
};

// The pens, the time window and where the samples come from; no widgets, so the window, tests and the bench
// share it.
class TrendModel {
public:
    static constexpr int MaxPens = 8;
    // A window whose half pixel column spans this or more is read as the store's summary.
    static constexpr std::int64_t SummaryFromBucketMs = 4000;
    using Clock = std::function<std::int64_t()>;

    // reader may be null (no history database): the pens stay empty.
    TrendModel(std::unique_ptr<history::HistoryReader> reader, Clock clock);

    bool hasReader() const { return m_reader != nullptr; }
    // The history came to be after the trend opened: every pen is read from it.
    void setReader(std::unique_ptr<history::HistoryReader> reader);
    // False when the trend is full or already shows the topic.
    bool addPen(const TrendTopic& topic);
    const std::vector<TrendPen>& pens() const { return m_pens; }

    const history::trend::TimeWindow& window() const { return m_window; }
    void setWindow(const history::trend::TimeWindow& window);
    // Moves to a window of the same span, reading only the stretch it uncovers: a drag stays smooth over a
    // week.
    void panTo(const history::trend::TimeWindow& window);
    // The standard span ending now.
    void showSpan(std::int64_t spanMs) { setWindow(history::trend::endingNow(spanMs, now())); }
    std::int64_t now() const { return m_clock(); }

    // A following window moves on to now and fetches only what came since the last poll.
    void poll();
    // The plot's width in pixels, known before the first draw: a long window is read for it.
    void setPlotColumns(int columns) { m_plotColumns = std::max(1, columns); }
    // Decimates every pen to this many columns, where the samples or the width changed since; a summary
    // much too coarse or too fine for the new width is read again.
    void decimate(int columns);

    // Where the recorder of the pen stopped vouching for it while its last value was good: from then on the
    // value is not known.
    std::optional<std::int64_t> notRecordedSince(const TrendPen& pen) const;
    // The sample that holds at timeMs, read from the store where the pen holds a summary; "Not recorded"
    // after the recorder stopped.
    std::optional<history::Sample> sampleAt(const TrendPen& pen, std::int64_t timeMs);
    // Every sample of the pen in the window, for an export.
    std::vector<history::Sample> shownSamples(const TrendPen& pen);

private:
    void fetch(TrendPen& pen);
    std::vector<history::Sample> read(const TrendPen& pen, std::int64_t fromMs, std::int64_t toMs);
    void uncoverLeft(TrendPen& pen, std::int64_t oldFromMs);
    void uncoverRight(TrendPen& pen, std::int64_t oldToMs);
    void trace(TrendPen& pen, const history::trend::Columns& grid);
    void fetchTail(TrendPen& pen);
    void dropBeforeWindow(TrendPen& pen);
    void invalidate() { m_columns = 0; }
    std::int64_t bucketFor(int columns) const;

    std::unique_ptr<history::HistoryReader> m_reader;
    Clock m_clock;
    history::trend::TimeWindow m_window;
    std::vector<TrendPen> m_pens;
    int m_columns = 0;
    // The plot's last width; a guess until the first draw.
    int m_plotColumns = 1000;
};
