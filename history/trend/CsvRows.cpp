#include "CsvRows.h"

#include "Readout.h"
#include "TimeText.h"

namespace history::trend {

std::string csvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string csvHeader()
{
    return "Time (UTC),Pen,Value,Quality";
}

void appendCsvRows(std::vector<std::string>& lines, const std::string& pen,
                   const std::vector<Sample>& samples)
{
    const std::string penField = csvField(pen);
    for (const Sample& s : samples) {
        const bool good = s.quality == Quality::Good;
        lines.push_back(fullTime(s.timeMs) + ',' + penField + ',' +
                        (good ? csvField(readingOf(s)) : std::string()) + ',' +
                        (good ? std::string("Good") : csvField(readingOf(s))));
    }
}

} // namespace history::trend
