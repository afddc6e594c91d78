#pragma once

#include "Decimate.h"
#include "Ticks.h"
#include "TimeWindow.h"
#include "TrendTopic.h"

#include <QColor>

#include <functional>
#include <memory>
#include <vector>

// One line of the trend: its samples over the window and, for the width drawn, their decimation.
struct TrendPen {
    TrendTopic topic;
    QColor colour;
    std::vector<history::Sample> samples;
    history::trend::Trace trace;
    // Lowest and highest value the trace shows; invalid (low > high) when it shows none.
    history::trend::ValueRange shown{1, 0};
};

// The pens, the time window and where the samples come from; no widgets, so the window, tests and the bench
// share it.
class TrendModel {
public:
    static constexpr int MaxPens = 8;
    using Clock = std::function<std::int64_t()>;

    // reader may be null (no history database): the pens stay empty.
    TrendModel(std::unique_ptr<history::HistoryReader> reader, Clock clock);

    bool hasReader() const { return m_reader != nullptr; }
    // False when the trend is full or already shows the topic.
    bool addPen(const TrendTopic& topic);
    const std::vector<TrendPen>& pens() const { return m_pens; }

    const history::trend::TimeWindow& window() const { return m_window; }
    void setWindow(const history::trend::TimeWindow& window);
    // The standard span ending now.
    void showSpan(std::int64_t spanMs) { setWindow(history::trend::endingNow(spanMs, now())); }
    std::int64_t now() const { return m_clock(); }

    // A following window moves on to now and fetches only what came since the last poll.
    void poll();
    // Decimates every pen to this many columns, where the samples or the width changed since.
    void decimate(int columns);

private:
    void fetch(TrendPen& pen);
    void fetchTail(TrendPen& pen);
    void dropBeforeWindow(TrendPen& pen);
    void invalidate() { m_columns = 0; }

    std::unique_ptr<history::HistoryReader> m_reader;
    Clock m_clock;
    history::trend::TimeWindow m_window;
    std::vector<TrendPen> m_pens;
    int m_columns = 0;
};
