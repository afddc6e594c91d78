#include "ImportLimits.h"

#include "CsvFile.h"
#include "FileIO.h"
#include "ImportFrame.h"

namespace ImportLimits {

int partsOf(QByteArrayView csvLine, const PathField& path) {
    int parts = 0;
    int index = 0;
    QByteArray scratch;
    Csv::splitLine(csvLine, path.field + 1, scratch, [&](const QByteArray& text) {
        if (index++ != path.field)
            return;
        parts = 1;
        for (const char c : text)
            parts += path.separators.contains(c);
    });
    return parts;
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
    return true;
}

} // namespace ImportLimits
