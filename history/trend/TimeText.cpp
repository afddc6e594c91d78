#include "TimeText.h"

#include <cstdio>

namespace history::trend {

namespace {

struct Civil {
    long long year;
    int month, day, hour, minute, second, milli;
};

// Days since 1970-01-01 to a proleptic Gregorian date (the well-known era algorithm).
Civil civil(std::int64_t ms)
{
    std::int64_t days = ms / Day;
    std::int64_t rest = ms % Day;
    if (rest < 0) {
        rest += Day;
        --days;
    }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (month <= 2 ? 1 : 0),
            month,
            day,
            static_cast<int>(rest / Hour),
            static_cast<int>(rest % Hour / Minute),
            static_cast<int>(rest % Minute / Second),
            static_cast<int>(rest % Second)};
}

} // namespace

std::string tickLabel(std::int64_t localMs, std::int64_t stepMs)
{
    const Civil c = civil(localMs);
    char text[32];
    if (stepMs < Minute)
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", c.hour, c.minute, c.second);
    else if (stepMs < Day && (c.hour != 0 || c.minute != 0))
        std::snprintf(text, sizeof text, "%02d:%02d", c.hour, c.minute);
    else
        std::snprintf(text, sizeof text, "%02d-%02d", c.month, c.day);
    return text;
}

std::string fullTime(std::int64_t localMs)
{
    const Civil c = civil(localMs);
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02d:%02d:%02d.%03d", c.year, c.month, c.day, c.hour,
                  c.minute, c.second, c.milli);
    return text;
}

} // namespace history::trend
