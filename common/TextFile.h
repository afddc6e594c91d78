#pragma once

#include "RunError.h"

#include <QString>
#include <QStringList>

// Single-byte text files of CR LF lines. Bytes round-trip through Latin-1; CR LF, LF and CR all end a line.
namespace TextFile {

Result<QStringList> readLines(const QString& path);
// Number of lines without keeping them.
Result<int> countLines(const QString& path);

// Replaces the file whole: written beside it and renamed over it, so a failure leaves the old file.
Status writeLines(const QString& path, const QStringList& lines);
Status appendLines(const QString& path, const QStringList& lines);
// Creates an empty file, or empties an existing one.
Status createEmpty(const QString& path);
Status remove(const QString& path);

// A bare file name that stays inside its folder: no separator, no "..", no character a file name may not hold,
// no device name of Windows ("CON", "nul.prj").
bool isPlainFileName(const QString& name);

// Error for a path that could not be opened: path or file not found, or access.
RunError openError(const QString& path);

// Splits text into lines at CR LF, LF or CR; a final line break adds no empty line.
QStringList splitLines(const QByteArray& bytes);
QByteArray joinLines(const QStringList& lines);

} // namespace TextFile
