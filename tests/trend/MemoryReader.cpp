#include "MemoryReader.h"

#include "Summary.h"

#include <algorithm>

std::vector<history::Sample> MemoryReader::samples(const history::SeriesKey& key, std::int64_t fromMs,
                                                   std::int64_t toMs)
{
    askedFrom = fromMs;
    askedTo = toMs;
    askedBucket = 0;
    const auto found = series.find({key.topic, key.item});
    if (found == series.end())
        return {};
    const auto& all = found->second;
    auto first = std::lower_bound(all.begin(), all.end(), fromMs,
                                  [](const history::Sample& s, std::int64_t t) { return s.timeMs < t; });
    if (first != all.begin())
        --first;
    const auto last = std::upper_bound(first, all.end(), toMs,
                                       [](std::int64_t t, const history::Sample& s) { return t < s.timeMs; });
    return {first, last};
}

std::vector<history::Sample> MemoryReader::summary(const history::SeriesKey& key, std::int64_t fromMs,
                                                   std::int64_t toMs, std::int64_t bucketMs)
{
    auto all = history::trend::summarise(samples(key, fromMs, toMs), fromMs, bucketMs);
    askedBucket = bucketMs;
    return all;
}

std::optional<std::int64_t> MemoryReader::recordedUntil(const history::SeriesKey& key)
{
    const auto found = recorded.find({key.topic, key.item});
    return found == recorded.end() ? std::nullopt : std::optional<std::int64_t>(found->second);
}
