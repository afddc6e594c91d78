#pragma once

#include "RunError.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The border between comma-separated exports and field lines.
namespace FileIO {

// Rewrites a comma-separated file as field lines, one output line per input line.
// Failures are shown as "Convert_CSV_to_TXT: description # number" and returned.
Status Convert_CSV_to_TXT(const QString& inputPath, const QString& outputPath);

// The text after the last "\" or "/"; the whole path when it has neither.
QString Get_File_Name(const QString& path);

} // namespace FileIO

namespace Csv {

// The conversion itself, on Latin-1 bytes: a quote toggles quoting and is dropped, an unquoted comma ends a
// field, every field is followed by a TAB and every line by CR LF. A TAB inside a field becomes a space,
// because it would otherwise split the field in the output.
QByteArray toFieldLines(QByteArrayView bytes);

// Splits one line the same way; calls field(begin, end) for each field's unquoted bytes.
// Returns the number of fields seen (all of them, also past maxFields, which are not passed on).
template <class Sink> int splitLine(QByteArrayView line, int maxFields, QByteArray& scratch, Sink&& field) {
    int fields = 0;
    bool quoted = false;
    scratch.clear();
    auto flush = [&] {
        if (fields < maxFields)
            field(scratch);
        ++fields;
        scratch.clear();
    };
    for (const char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            flush();
        else
            scratch.append(c);
    }
    flush();
    return fields;
}

} // namespace Csv
