#include "TimeWindow.h"

#include "TimeText.h"

#include <algorithm>
#include <cmath>

namespace history::trend {

const std::array<std::int64_t, 5> StandardSpans = {10 * Minute, Hour, 8 * Hour, Day, 7 * Day};
const std::int64_t ShortestSpan = 10 * Second;
const std::int64_t LongestSpan = 31 * Day;

TimeWindow endingNow(std::int64_t spanMs, std::int64_t nowMs)
{
    return {nowMs - spanMs, nowMs, true};
}

TimeWindow zoomed(const TimeWindow& window, double factor, std::int64_t anchorMs, std::int64_t nowMs)
{
    const std::int64_t span = std::clamp(static_cast<std::int64_t>(std::llround(window.span() * factor)),
                                         ShortestSpan, LongestSpan);
    anchorMs = std::clamp(anchorMs, window.fromMs, window.toMs);
    const double share = window.span() > 0 ? double(anchorMs - window.fromMs) / double(window.span()) : 1.0;
    const std::int64_t from = anchorMs - static_cast<std::int64_t>(std::llround(share * double(span)));
    if (window.followsNow || from + span >= nowMs)
        return endingNow(span, nowMs);
    return {from, from + span, false};
}

TimeWindow panned(const TimeWindow& window, std::int64_t deltaMs, std::int64_t nowMs)
{
    if (window.toMs + deltaMs >= nowMs)
        return endingNow(window.span(), nowMs);
    return {window.fromMs + deltaMs, window.toMs + deltaMs, false};
}

TimeWindow advanced(const TimeWindow& window, std::int64_t nowMs)
{
    return window.followsNow ? endingNow(window.span(), nowMs) : window;
}

} // namespace history::trend
