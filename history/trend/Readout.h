#pragma once

#include "HistorySample.h"

#include <cstdint>
#include <string>
#include <vector>

namespace history::trend {

// The sample that holds at timeMs (the last one at or before it); nullptr before the first.
const Sample* sampleAt(const std::vector<Sample>& samples, std::int64_t timeMs);
// What a sample reads as: the number, the text, or the reason of a gap ("Link lost", "Server error: ...").
std::string readingOf(const Sample& sample);
// The shortest text that reads back as the same number.
std::string numberText(double value);

} // namespace history::trend
