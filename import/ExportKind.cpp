#include "ExportKind.h"

#include "FileIO.h"
#include "LineBytes.h"

#include <QDir>

namespace ExportKind {

namespace {

// The first field of a comma-separated line with its quotes and surrounding spaces dropped.
QByteArray firstField(QByteArrayView line) {
    QByteArray field;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            break;
        else
            field.append(c);
    }
    return LineBytes::trimSpaces(field).toByteArray();
}

} // namespace

bool isRSLogix5000(QByteArrayView head) {
    // Only as much of the first line as a line may hold is looked at.
    head = head.first(std::min<qsizetype>(head.size(), FileIO::MaxLineLength + 2));
    qsizetype end = 0;
    while (end < head.size() && head[end] != '\r' && head[end] != '\n')
        ++end;
    return head.first(end).contains(QByteArrayView("remark"));
}

bool isAddressLine(QByteArrayView line) {
    static const QByteArrayView first("BNIOFRTCQS");
    return !line.isEmpty() && first.contains(line[0]);
}

Kind of(QByteArrayView bytes) {
    if (isRSLogix5000(bytes))
        return RSLogix5000;
    // Header lines come before the first address line.
    Kind kind = Unknown;
    bool decided = false;
    LineBytes::forEachLine(bytes, [&](QByteArrayView line) {
        if (decided)
            return;
        decided = isAddressLine(line);
        if (!decided && firstField(line).compare("Address", Qt::CaseInsensitive) == 0) {
            kind = RSLogix500;
            decided = true;
        }
    });
    return kind;
}

QString refusal(const QString& path) {
    return QStringLiteral("%1 is not a tag export: an RSLogix5000 export begins with \"remark\" lines and an "
                          "RSLogix500 export with a header line whose first column is \"Address\". Nothing "
                          "was imported.")
        .arg(QDir::toNativeSeparators(path));
}

} // namespace ExportKind
