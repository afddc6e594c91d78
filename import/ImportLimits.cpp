#include "ImportLimits.h"

#include "FileIO.h"
#include "ImportFrame.h"

namespace ImportLimits {

int partsOf(QByteArrayView csvLine, const PathField& path) {
    // Quotes and commas as the conversion reads them, without building the fields.
    int field = 0, parts = 1;
    bool quoted = false;
    for (const char c : csvLine) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted) {
            if (++field > path.field)
                break;
        } else if (field == path.field && path.separators.contains(c))
            ++parts;
    }
    return field >= path.field ? parts : 0;
}

bool fits(ImportFrame& frame, QByteArrayView line, int number, const PathField& path) {
    const QString prefix = QStringLiteral("Step 1");
    if (line.size() > FileIO::MaxLineLength) {
        frame.reportOnce(prefix, RunError::of(ErrNo::Overflow), number);
        return false;
    }
    if (partsOf(line, path) > MaxParts) {
        frame.reportOnce(prefix,
                         RunError::of(ErrNo::Overflow, QStringLiteral("%1 of more than %2 parts left out")
                                                           .arg(QLatin1String(path.name))
                                                           .arg(MaxParts)),
                         number);
        return false;
    }
    frame.keepLine(number);
    return true;
}

} // namespace ImportLimits
