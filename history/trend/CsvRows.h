#pragma once

#include "HistorySample.h"

#include <cstdint>
#include <string>
#include <vector>

namespace history::trend {

// The export's header line: "Time (UTC)","Pen","Value","Quality".
std::string csvHeader();
// One line per sample of the pen; times in UTC ("yyyy-MM-dd HH:mm:ss.zzz"), fields quoted where needed.
void appendCsvRows(std::vector<std::string>& lines, const std::string& pen,
                   const std::vector<Sample>& samples);
// A field quoted when it holds a comma, quote or line break.
std::string csvField(const std::string& text);

} // namespace history::trend
