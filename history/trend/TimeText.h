#pragma once

#include <cstdint>
#include <string>

namespace history::trend {

constexpr std::int64_t Second = 1000;
constexpr std::int64_t Minute = 60 * Second;
constexpr std::int64_t Hour = 60 * Minute;
constexpr std::int64_t Day = 24 * Hour;

// Texts of a local time in milliseconds since the epoch (UTC plus the zone's offset).
// "HH:mm:ss" below a minute's step, "HH:mm" below a day's (the date "MM-dd" at midnight), else "MM-dd".
std::string tickLabel(std::int64_t localMs, std::int64_t stepMs);
// "yyyy-MM-dd HH:mm:ss.zzz", for the cursor and exports.
std::string fullTime(std::int64_t localMs);

} // namespace history::trend
