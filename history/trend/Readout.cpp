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

namespace {

// The reason under its quality's name, once: the recorder's reasons may already begin with it.
std::string reasonText(const std::string& quality, const std::string& reason)
{
    if (reason.empty())
        return quality;
    return reason.rfind(quality, 0) == 0 ? reason : quality + ": " + reason;
}

} // namespace

std::string readingOf(const Sample& sample)
{
    switch (sample.quality) {
    case Quality::LinkLost:
        return reasonText("Link lost", sample.text);
    case Quality::ServerError:
        return reasonText("Server error", sample.text);
    case Quality::Good:
        break;
    }
    return sample.isNumber ? numberText(sample.number) : sample.text;
}

} // namespace history::trend
