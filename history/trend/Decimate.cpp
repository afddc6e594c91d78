#include "Decimate.h"

#include <algorithm>

namespace history::trend {

int Columns::of(std::int64_t timeMs) const
{
    const std::int64_t span = std::max<std::int64_t>(1, toMs - fromMs);
    const std::int64_t column = (timeMs - fromMs) * count / span;
    return static_cast<int>(std::clamp<std::int64_t>(column, 0, count - 1));
}

namespace {

void addValue(Segment& segment, int column, double value)
{
    if (!segment.empty() && segment.back().column == column) {
        Bucket& b = segment.back();
        b.low = std::min(b.low, value);
        b.high = std::max(b.high, value);
        b.last = value;
        return;
    }
    segment.push_back({column, value, value, value, value});
}

void closeSegment(Trace& trace, Segment& segment)
{
    if (!segment.empty())
        trace.segments.push_back(std::move(segment));
    segment.clear();
}

void addGap(Trace& trace, const Sample& sample, std::int64_t fromMs, std::int64_t toMs)
{
    if (!trace.gaps.empty()) {
        Gap& previous = trace.gaps.back();
        if (previous.toMs == fromMs && previous.quality == sample.quality && previous.reason == sample.text) {
            previous.toMs = toMs;
            return;
        }
    }
    trace.gaps.push_back({fromMs, toMs, sample.quality, sample.text});
}

} // namespace

Trace decimate(const std::vector<Sample>& samples, const Columns& columns, std::int64_t holdUntilMs)
{
    Trace trace;
    Segment segment;
    const std::int64_t end = std::min(holdUntilMs, columns.toMs);
    for (size_t i = 0; i < samples.size(); ++i) {
        const Sample& s = samples[i];
        const std::int64_t from = std::max(s.timeMs, columns.fromMs);
        const std::int64_t to = std::min(i + 1 < samples.size() ? samples[i + 1].timeMs : end, end);
        if (from > to || from >= columns.toMs || (to == from && s.timeMs < columns.fromMs))
            continue;
        if (s.quality != Quality::Good) {
            closeSegment(trace, segment);
            addGap(trace, s, from, to);
            continue;
        }
        if (!s.isNumber) {
            closeSegment(trace, segment);
            continue;
        }
        // A value that held for no time at all still shows in its column.
        const int last = to > from ? columns.of(to - 1) : columns.of(from);
        for (int c = columns.of(from); c <= last; ++c)
            addValue(segment, c, s.number);
    }
    closeSegment(trace, segment);
    return trace;
}

} // namespace history::trend
