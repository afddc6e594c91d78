#pragma once

#include "HistorySample.h"

#include <cstdint>
#include <string>
#include <vector>

namespace history::trend {

// The values one pixel column shows: the value it starts with, its lowest and highest, the one it ends with.
struct Bucket {
    int column = 0;
    double first = 0, low = 0, high = 0, last = 0;
};

// Columns of one unbroken line, left to right; a gap or a text value ends it.
using Segment = std::vector<Bucket>;

// A stretch without a value: the link was lost or the server reported an error.
struct Gap {
    std::int64_t fromMs = 0, toMs = 0;
    Quality quality = Quality::LinkLost;
    std::string reason;
};

struct Trace {
    std::vector<Segment> segments;
    std::vector<Gap> gaps;
};

// Maps [fromMs, toMs) onto columns pixel columns.
struct Columns {
    std::int64_t fromMs = 0, toMs = 1;
    int count = 1;
    int of(std::int64_t timeMs) const;
};

// Reduces samples (in time order, each value holding until the next) to at most four points per column, so
// the drawing costs the same for ten minutes as for a week. The last sample holds until holdUntilMs (now, or
// the right edge where that is earlier).
Trace decimate(const std::vector<Sample>& samples, const Columns& columns, std::int64_t holdUntilMs);

} // namespace history::trend
