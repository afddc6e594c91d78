#pragma once

#include "HistorySample.h"

#include <map>
#include <utility>

// History held in memory: the data source the trend reads, filled by the test itself.
class MemoryReader : public history::HistoryReader {
public:
    std::map<std::pair<std::string, std::string>, std::vector<history::Sample>> series;
    // The bounds of the last question.
    std::int64_t askedFrom = 0, askedTo = 0;

    std::vector<history::Sample>& of(const std::string& topic, const std::string& item)
    {
        return series[{topic, item}];
    }
    std::vector<history::Sample> samples(const history::SeriesKey& key, std::int64_t fromMs,
                                         std::int64_t toMs) override;
    std::vector<history::Sample> summary(const history::SeriesKey& key, std::int64_t fromMs, std::int64_t toMs,
                                         std::int64_t bucketMs) override;
    // The bucket of the last summary asked for; 0 when the last question wanted every sample.
    std::int64_t askedBucket = 0;
    std::map<std::pair<std::string, std::string>, std::int64_t> recorded;
    std::optional<std::int64_t> recordedUntil(const history::SeriesKey& key) override;
};
