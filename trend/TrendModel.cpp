#include "TrendModel.h"

#include "Readout.h"

#include <algorithm>

namespace {

const QColor PenColours[TrendModel::MaxPens] = {
    QColor(0, 90, 200),   QColor(210, 40, 30), QColor(0, 140, 60),  QColor(230, 130, 0),
    QColor(130, 50, 180), QColor(0, 150, 160), QColor(140, 90, 40), QColor(220, 40, 150)};

history::trend::ValueRange shownRange(const history::trend::Trace& trace)
{
    history::trend::ValueRange range{1, 0};
    bool any = false;
    for (const auto& segment : trace.segments)
        for (const auto& b : segment) {
            range.low = any ? std::min(range.low, b.low) : b.low;
            range.high = any ? std::max(range.high, b.high) : b.high;
            any = true;
        }
    return range;
}

} // namespace

QString TrendTopic::label() const
{
    const QString where = topic + QLatin1Char(' ') + item;
    return description.isEmpty() ? where : description + QStringLiteral(" (") + where + QLatin1Char(')');
}

TrendModel::TrendModel(std::unique_ptr<history::HistoryReader> reader, Clock clock)
    : m_reader(std::move(reader)), m_clock(std::move(clock)),
      m_window(history::trend::endingNow(history::trend::StandardSpans[0], m_clock()))
{
}

bool TrendModel::addPen(const TrendTopic& topic)
{
    if (m_pens.size() >= MaxPens)
        return false;
    const auto key = topic.key();
    if (std::any_of(m_pens.begin(), m_pens.end(), [&](const TrendPen& p) { return p.topic.key() == key; }))
        return false;
    // The first colour no pen has, so removing and adding never gives two pens one colour.
    QColor colour = PenColours[0];
    for (const QColor& c : PenColours)
        if (std::none_of(m_pens.begin(), m_pens.end(), [&](const TrendPen& p) { return p.colour == c; })) {
            colour = c;
            break;
        }
    TrendPen pen;
    pen.topic = topic;
    pen.colour = colour;
    m_pens.push_back(std::move(pen));
    fetch(m_pens.back());
    invalidate();
    return true;
}

void TrendModel::setReader(std::unique_ptr<history::HistoryReader> reader)
{
    m_reader = std::move(reader);
    setWindow(m_window);
}

void TrendModel::setWindow(const history::trend::TimeWindow& window)
{
    m_window = window;
    for (TrendPen& pen : m_pens)
        fetch(pen);
    invalidate();
}

void TrendModel::panTo(const history::trend::TimeWindow& window)
{
    const history::trend::TimeWindow old = m_window;
    if (!m_reader || window.span() != old.span() || window.toMs <= old.fromMs || window.fromMs >= old.toMs) {
        setWindow(window);
        return;
    }
    m_window = window;
    for (TrendPen& pen : m_pens) {
        if (window.fromMs < old.fromMs)
            uncoverLeft(pen, old.fromMs);
        else if (window.toMs > old.toMs)
            uncoverRight(pen, old.toMs);
        dropBeforeWindow(pen);
    }
    invalidate();
}

std::vector<history::Sample> TrendModel::read(const TrendPen& pen, std::int64_t fromMs, std::int64_t toMs)
{
    return pen.bucketMs > 0 ? m_reader->summary(pen.topic.key(), fromMs, toMs, pen.bucketMs)
                            : m_reader->samples(pen.topic.key(), fromMs, toMs);
}

// The stretch read starts with the sample holding at its left edge, so it replaces every held sample before
// the old edge; what passed the right edge goes.
void TrendModel::uncoverLeft(TrendPen& pen, std::int64_t oldFromMs)
{
    std::vector<history::Sample> samples = read(pen, m_window.fromMs, oldFromMs - 1);
    for (auto& s : pen.samples)
        if (s.timeMs >= oldFromMs && s.timeMs <= m_window.toMs)
            samples.push_back(std::move(s));
    pen.samples = std::move(samples);
}

void TrendModel::uncoverRight(TrendPen& pen, std::int64_t oldToMs)
{
    for (auto& s : read(pen, oldToMs + 1, m_window.toMs))
        if (s.timeMs > oldToMs)
            pen.samples.push_back(std::move(s));
}

void TrendModel::poll()
{
    if (!m_window.followsNow)
        return;
    m_window = history::trend::advanced(m_window, now());
    for (TrendPen& pen : m_pens) {
        fetchTail(pen);
        dropBeforeWindow(pen);
    }
    invalidate();
}

// Half a column a bucket, so the buckets' extremes fall in the right column; short windows read whole.
std::int64_t TrendModel::bucketFor(int columns) const
{
    const std::int64_t bucket = m_window.span() / (2 * std::max(1, columns));
    return bucket >= SummaryFromBucketMs ? bucket : 0;
}

void TrendModel::fetch(TrendPen& pen)
{
    pen.bucketMs = m_reader ? bucketFor(m_plotColumns) : 0;
    pen.tailCount = 0;
    pen.recordedUntil = m_reader ? m_reader->recordedUntil(pen.topic.key()) : std::nullopt;
    if (!m_reader)
        pen.samples.clear();
    else if (pen.bucketMs > 0)
        pen.samples = m_reader->summary(pen.topic.key(), m_window.fromMs, m_window.toMs, pen.bucketMs);
    else
        pen.samples = m_reader->samples(pen.topic.key(), m_window.fromMs, m_window.toMs);
}

// Asks only for what is newer than the last sample held; the reader hands back that sample too.
void TrendModel::fetchTail(TrendPen& pen)
{
    if (pen.samples.empty() || !m_reader) {
        fetch(pen);
        return;
    }
    pen.recordedUntil = m_reader->recordedUntil(pen.topic.key());
    const std::int64_t last = pen.samples.back().timeMs;
    std::vector<history::Sample> tail = m_reader->samples(pen.topic.key(), last + 1, m_window.toMs);
    for (auto& s : tail)
        if (s.timeMs > last) {
            pen.samples.push_back(std::move(s));
            ++pen.tailCount;
        }
    // A summary followed by more samples than it has columns is summed up again.
    if (pen.bucketMs > 0 && pen.tailCount > std::size_t(2 * m_plotColumns))
        fetch(pen);
}

// Keeps the one sample that holds at the window's left edge.
void TrendModel::dropBeforeWindow(TrendPen& pen)
{
    const auto firstInside =
        std::find_if(pen.samples.begin(), pen.samples.end(),
                     [&](const history::Sample& s) { return s.timeMs > m_window.fromMs; });
    if (firstInside - pen.samples.begin() > 1)
        pen.samples.erase(pen.samples.begin(), firstInside - 1);
}

void TrendModel::decimate(int columns)
{
    columns = std::max(1, columns);
    if (columns == m_columns)
        return;
    m_plotColumns = columns;
    // A summary is read again only when its buckets grew wider than a column or far narrower than needed,
    // so dragging the window's edge does not read a week at every pixel.
    const std::int64_t bucket = bucketFor(columns);
    for (TrendPen& pen : m_pens)
        if (pen.bucketMs > 2 * bucket || pen.bucketMs * 4 < bucket)
            fetch(pen);
    const history::trend::Columns grid{m_window.fromMs, m_window.toMs, columns};
    for (TrendPen& pen : m_pens)
        trace(pen, grid);
    m_columns = columns;
}

// A pen's line ends where its recorder stopped vouching for it; a "Not recorded" gap runs on from there.
void TrendModel::trace(TrendPen& pen, const history::trend::Columns& grid)
{
    const std::int64_t end = std::min(m_window.toMs, now());
    const std::optional<std::int64_t> since = notRecordedSince(pen);
    pen.trace = history::trend::decimate(pen.samples, grid, since ? std::min(*since, end) : end);
    if (since && *since < end)
        pen.trace.gaps.push_back(
            {std::max(*since, m_window.fromMs), end, history::Quality::LinkLost, history::NotRecordedText});
    pen.shown = shownRange(pen.trace);
}

std::optional<std::int64_t> TrendModel::notRecordedSince(const TrendPen& pen) const
{
    if (!pen.recordedUntil || *pen.recordedUntil + history::RecorderSilentAfterMs >= now())
        return std::nullopt;
    // A gap recorded last (the link lost, the recorder stopped) already says why there is no value.
    if (!pen.samples.empty() && pen.samples.back().quality != history::Quality::Good)
        return std::nullopt;
    return pen.samples.empty() ? *pen.recordedUntil : std::max(*pen.recordedUntil, pen.samples.back().timeMs);
}

std::optional<history::Sample> TrendModel::sampleAt(const TrendPen& pen, std::int64_t timeMs)
{
    if (const auto since = notRecordedSince(pen); since && timeMs > *since)
        return history::Sample{timeMs, history::Quality::LinkLost, false, 0, history::NotRecordedText};
    if (pen.bucketMs == 0) {
        const history::Sample* s = history::trend::sampleAt(pen.samples, timeMs);
        return s ? std::optional<history::Sample>(*s) : std::nullopt;
    }
    // The reader hands back the sample before timeMs too.
    const std::vector<history::Sample> around = m_reader->samples(pen.topic.key(), timeMs, timeMs);
    const history::Sample* s = history::trend::sampleAt(around, timeMs);
    return s ? std::optional<history::Sample>(*s) : std::nullopt;
}

std::vector<history::Sample> TrendModel::shownSamples(const TrendPen& pen)
{
    return pen.bucketMs == 0 ? pen.samples : m_reader->samples(pen.topic.key(), m_window.fromMs, m_window.toMs);
}
