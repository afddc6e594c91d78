#include "Summary.h"

#include <algorithm>
#include <iterator>

namespace history::trend {

void appendBucket(std::vector<Sample>& out, const BucketSummary& b)
{
    const auto add = [&](std::int64_t timeMs, double value) {
        out.push_back({timeMs, Quality::Good, true, value, {}});
    };
    add(b.firstMs, b.first);
    // An extreme that is the first or the last value shows through that one.
    if (b.low != b.first && b.low != b.last)
        add(b.firstMs, b.low);
    if (b.high != b.first && b.high != b.last)
        add(b.firstMs, b.high);
    if (b.lastMs != b.firstMs)
        add(b.lastMs, b.last);
}

Summariser::Summariser(std::int64_t fromMs, std::int64_t bucketMs, std::vector<std::int64_t> splits)
    : m_fromMs(fromMs), m_bucketMs(std::max<std::int64_t>(1, bucketMs)), m_splits(std::move(splits))
{
}

void Summariser::close()
{
    if (m_open)
        appendBucket(m_out, *m_open);
    m_open.reset();
}

void Summariser::add(std::int64_t timeMs, double value)
{
    const std::size_t passed = m_passed;
    while (m_passed < m_splits.size() && m_splits[m_passed] < timeMs)
        ++m_passed;
    const std::int64_t bucket = (timeMs - m_fromMs) / m_bucketMs;
    if (m_open && (bucket != m_bucket || passed != m_passed))
        close();
    if (!m_open) {
        m_open = BucketSummary{timeMs, timeMs, value, value, value, value};
        m_bucket = bucket;
        return;
    }
    m_open->lastMs = timeMs;
    m_open->last = value;
    m_open->low = std::min(m_open->low, value);
    m_open->high = std::max(m_open->high, value);
}

std::vector<Sample> Summariser::finish()
{
    close();
    return std::move(m_out);
}

bool isGoodNumber(const Sample& s)
{
    return s.quality == Quality::Good && s.isNumber && s.text.empty();
}

std::vector<Sample> mergeByTime(std::vector<Sample> good, std::vector<Sample> others)
{
    std::vector<Sample> out;
    out.reserve(good.size() + others.size());
    std::merge(std::make_move_iterator(good.begin()), std::make_move_iterator(good.end()),
               std::make_move_iterator(others.begin()), std::make_move_iterator(others.end()),
               std::back_inserter(out), [](const Sample& a, const Sample& b) { return a.timeMs < b.timeMs; });
    return out;
}

std::vector<Sample> summarise(const std::vector<Sample>& samples, std::int64_t fromMs, std::int64_t bucketMs)
{
    std::vector<Sample> others;
    std::vector<std::int64_t> splits;
    for (const Sample& s : samples)
        if (s.timeMs < fromMs || !isGoodNumber(s)) {
            others.push_back(s);
            splits.push_back(s.timeMs);
        }
    Summariser summariser(fromMs, bucketMs, std::move(splits));
    for (const Sample& s : samples)
        if (s.timeMs >= fromMs && isGoodNumber(s))
            summariser.add(s.timeMs, s.number);
    return mergeByTime(summariser.finish(), std::move(others));
}

} // namespace history::trend
