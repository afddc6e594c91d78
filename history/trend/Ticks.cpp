#include "Ticks.h"

#include "TimeText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace history::trend {

double niceStep(double span, int maxTicks)
{
    const double raw = std::max(span, 1e-12) / std::max(1, maxTicks);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0})
        if (factor * power >= raw * (1 - 1e-9))
            return factor * power;
    return 10 * power;
}

ValueRange niceRange(double low, double high, int maxTicks)
{
    if (high < low)
        std::swap(low, high);
    if (high - low < 1e-12) {
        const double room = std::max(std::abs(low) * 0.1, 1.0);
        low -= room;
        high += room;
    }
    const double step = niceStep(high - low, maxTicks);
    return {std::floor(low / step) * step, std::ceil(high / step) * step};
}

std::vector<double> valueTicks(const ValueRange& range, int maxTicks)
{
    const double step = niceStep(range.high - range.low, maxTicks);
    std::vector<double> ticks;
    for (double n = std::ceil(range.low / step - 1e-9); n * step <= range.high + step * 1e-9; ++n)
        ticks.push_back(n * step == 0 ? 0.0 : n * step);
    return ticks;
}

std::string valueLabel(double value, double step)
{
    const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 12);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::int64_t timeStep(std::int64_t spanMs, int maxTicks)
{
    static constexpr std::array<std::int64_t, 20> steps = {
        Second,     2 * Second, 5 * Second,  10 * Second, 15 * Second, 30 * Second, Minute,
        2 * Minute, 5 * Minute, 10 * Minute, 15 * Minute, 30 * Minute, Hour,        2 * Hour,
        3 * Hour,   6 * Hour,   12 * Hour,   Day,         2 * Day,     7 * Day};
    for (std::int64_t step : steps)
        if (spanMs / step <= maxTicks)
            return step;
    return steps.back();
}

std::vector<std::int64_t> timeTicks(std::int64_t fromMs, std::int64_t toMs, std::int64_t stepMs,
                                    const UtcOffset& offsetAt)
{
    // A window runs on two offsets at most (a week holds one change of daylight saving time at most). A
    // local time is a tick where one of them holds at the moment it names.
    const std::int64_t early = offsetAt(fromMs), late = offsetAt(toMs);
    const std::int64_t least = std::min(early, late), most = std::max(early, late);
    const std::int64_t localFrom = fromMs + least;
    std::int64_t local = localFrom - ((localFrom % stepMs) + stepMs) % stepMs;
    std::vector<std::int64_t> ticks;
    for (; local - most <= toMs; local += stepMs)
        for (std::int64_t offset : {least, most}) {
            const std::int64_t utc = local - offset;
            if (utc >= fromMs && utc <= toMs && offsetAt(utc) == offset)
                ticks.push_back(utc);
        }
    std::sort(ticks.begin(), ticks.end());
    ticks.erase(std::unique(ticks.begin(), ticks.end()), ticks.end());
    return ticks;
}

} // namespace history::trend
