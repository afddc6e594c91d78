#pragma once

#include "HistorySample.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace history::trend {

// One bucket of good numbers: its first and last sample, its lowest and highest value.
struct BucketSummary {
    std::int64_t firstMs = 0, lastMs = 0;
    double first = 0, low = 0, high = 0, last = 0;
};

// A bucket as samples: the first, the lowest and highest where they are neither first nor last (at the
// first's time, so they fall in the bucket's columns), and the last.
void appendBucket(std::vector<Sample>& out, const BucketSummary& bucket);

// Sums good numbers, given in time order, up into buckets of bucketMs counted from fromMs. A bucket never
// spans a split (the time of a gap or a text), so the line breaks where the samples' line breaks.
class Summariser {
public:
    Summariser(std::int64_t fromMs, std::int64_t bucketMs, std::vector<std::int64_t> splits);
    void add(std::int64_t timeMs, double value);
    // The buckets as appendBucket gives them.
    std::vector<Sample> finish();

private:
    void close();

    std::int64_t m_fromMs, m_bucketMs;
    std::vector<std::int64_t> m_splits;
    std::size_t m_passed = 0;
    std::int64_t m_bucket = 0;
    std::optional<BucketSummary> m_open;
    std::vector<Sample> m_out;
};

// What a trend needs of samples (in time order) to draw buckets of bucketMs counted from fromMs: the good
// numbers summed up by a Summariser split at every other sample, and those others as they are, all in time
// order; samples before fromMs pass as they are. The store gives the same, so a long range never comes whole.
std::vector<Sample> summarise(const std::vector<Sample>& samples, std::int64_t fromMs, std::int64_t bucketMs);

bool isGoodNumber(const Sample& sample);
// Merges good-number samples and the others by time; at equal times the good ones come first.
std::vector<Sample> mergeByTime(std::vector<Sample> good, std::vector<Sample> others);

} // namespace history::trend
