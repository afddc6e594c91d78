#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the recorder stores and the trend window reads: Qt-free, so the trend core is tested without Qt.
namespace history {

// The quality of a stored value. A gap (link lost, server error) holds until the next sample.
enum class Quality : int { Good = 0, LinkLost = 1, ServerError = 2 };

// One point of one series: a value box's topic ("Line1") and item ("N7:1").
struct SeriesKey {
    std::string topic;
    std::string item;
    bool operator==(const SeriesKey&) const = default;
};

// A recorder vouches for its series about every second (HistoryReader::recordedUntil); one that has not done
// so for this long has stopped, and its series' last values are not known to hold.
constexpr std::int64_t RecorderSilentAfterMs = 5000;
// The reason of the stretch nobody recorded.
inline const std::string NotRecordedText = "Not recorded";

struct Sample {
    std::int64_t timeMs = 0;  // UTC, milliseconds since the epoch
    Quality quality = Quality::Good;
    bool isNumber = false;
    double number = 0;
    std::string text;  // UTF-8: the value where it is no number; the reason where quality is not good
};

// The read side the trend window uses; the store implements it for SQLite and PostgreSQL.
class HistoryReader {
public:
    virtual ~HistoryReader() = default;
    // The samples of key with fromMs <= timeMs <= toMs in time order, preceded by the last sample before
    // fromMs where there is one (the value that holds at the left edge).
    virtual std::vector<Sample> samples(const SeriesKey& key, std::int64_t fromMs, std::int64_t toMs) = 0;
    // The same range reduced to buckets of bucketMs counted from fromMs, as history::trend::summarise
    // reduces it: a long range for a trend without every sample.
    virtual std::vector<Sample> summary(const SeriesKey& key, std::int64_t fromMs, std::int64_t toMs,
                                        std::int64_t bucketMs) = 0;
    // Until when a recorder vouched for the series' samples (it writes this with every batch); nullopt where
    // nobody did. After it the last value is not known to hold.
    virtual std::optional<std::int64_t> recordedUntil(const SeriesKey& key) = 0;
};

}  // namespace history
