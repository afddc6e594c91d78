#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace history::trend {

struct ValueRange {
    double low = 0, high = 1;
};

// A step of 1, 2 or 5 times a power of ten that splits span into at most maxTicks parts.
double niceStep(double span, int maxTicks);
// The range widened to whole steps; a flat line gets room above and below.
ValueRange niceRange(double low, double high, int maxTicks);
// Multiples of step inside the range.
std::vector<double> valueTicks(const ValueRange& range, int maxTicks);
// As many decimals as the step needs.
std::string valueLabel(double value, double step);

// A step from seconds to days that splits spanMs into at most maxTicks parts.
std::int64_t timeStep(std::int64_t spanMs, int maxTicks);
// How far local time is ahead of UTC at a moment; it moves when daylight saving time begins or ends.
using UtcOffset = std::function<std::int64_t(std::int64_t utcMs)>;
// Times in [fromMs, toMs] that fall on whole steps of local time, on either side of a change of offset: a
// local time the change skips gives no tick, one it repeats two.
std::vector<std::int64_t> timeTicks(std::int64_t fromMs, std::int64_t toMs, std::int64_t stepMs,
                                    const UtcOffset& offsetAt);

} // namespace history::trend
