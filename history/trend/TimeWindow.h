#pragma once

#include <array>
#include <cstdint>

namespace history::trend {

// The stretch of time a trend shows. While it follows now, its right edge moves with the clock.
struct TimeWindow {
    std::int64_t fromMs = 0, toMs = 0;
    bool followsNow = true;

    std::int64_t span() const { return toMs - fromMs; }
    bool operator==(const TimeWindow&) const = default;
};

// The ranges offered: 10 minutes (the default), 1 h, 8 h, 24 h and 7 days.
extern const std::array<std::int64_t, 5> StandardSpans;
// Zoom stops here on either side.
extern const std::int64_t ShortestSpan, LongestSpan;

TimeWindow endingNow(std::int64_t spanMs, std::int64_t nowMs);
// factor below 1 zooms in; the time at anchorMs stays where it is on the screen. A window that followed now
// and still reaches it keeps following.
TimeWindow zoomed(const TimeWindow& window, double factor, std::int64_t anchorMs, std::int64_t nowMs);
// Moves by deltaMs; never past now, where it follows again.
TimeWindow panned(const TimeWindow& window, std::int64_t deltaMs, std::int64_t nowMs);
// The clock moved on: a following window moves with it.
TimeWindow advanced(const TimeWindow& window, std::int64_t nowMs);

} // namespace history::trend
