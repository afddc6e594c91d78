#pragma once

#include "RunError.h"

#include <QString>
#include <QStringList>

// Single-byte text files of CR LF lines. Bytes round-trip through Latin-1; CR LF, LF and CR all end a line.
namespace TextFile {

Result<QStringList> readLines(const QString& path);
// The file's bytes as they are.
Result<QByteArray> readBytes(const QString& path);

// Replaces the file whole: written beside it and renamed over it, so a failure leaves the old file. Lines with
// characters outside Latin-1 are refused before anything is written.
Status writeLines(const QString& path, const QStringList& lines);
// Replaces the file whole with these bytes, the same way.
Status writeBytes(const QString& path, const QByteArray& bytes);
// Creates an empty file, or empties an existing one.
Status createEmpty(const QString& path);
Status remove(const QString& path);

// A bare file name that stays inside its folder and means the same file on every platform: no separator, no
// "..", no character a file name may not hold, no trailing dot or space, no device name (CON, NUL, COM1, ...).
bool isPlainFileName(const QString& name);

// The characters of a text that Latin-1 cannot hold, each once; empty when there are none.
QString foreignCharacters(const QString& text);

// Error for a path that could not be opened: path or file not found, or access.
RunError openError(const QString& path);

// Splits text into lines at CR LF, LF or CR; a final line break adds no empty line.
QStringList splitLines(const QByteArray& bytes);
QByteArray joinLines(const QStringList& lines);

} // namespace TextFile
