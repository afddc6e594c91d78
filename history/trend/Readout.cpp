#include "Readout.h"

#include <algorithm>
#include <charconv>

namespace history::trend {

const Sample* sampleAt(const std::vector<Sample>& samples, std::int64_t timeMs)
{
    const auto after = std::upper_bound(samples.begin(), samples.end(), timeMs,
                                        [](std::int64_t t, const Sample& s) { return t < s.timeMs; });
    return after == samples.begin() ? nullptr : &*(after - 1);
}

std::string numberText(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string readingOf(const Sample& sample)
{
    switch (sample.quality) {
    case Quality::LinkLost:
        return sample.text.empty() ? "Link lost" : "Link lost: " + sample.text;
    case Quality::ServerError:
        return sample.text.rfind("Server error", 0) == 0 ? sample.text : "Server error: " + sample.text;
    case Quality::Good:
        break;
    }
    return sample.isNumber ? numberText(sample.number) : sample.text;
}

} // namespace history::trend
