#pragma once

#include <QString>
#include <QStringList>

// The field-line routines shared by every data file.
namespace FileIO {

// Lines and field counts are limited to what a 16-bit position can address.
inline constexpr int MaxLineLength = 32767;

// Fields of the line split last; valid until the next Parse_Line anywhere.
extern QStringList ParsedFields;

// Splits a line whose fields are each followed by a TAB; returns the index of the last field.
int Parse_Line(const QString& line);

// Replace-all in place; repeats passes while the replacement is shorter than the searched text.
QString Replace_Text(QString& text, const QString& searched, const QString& replacement);

// Builds a field line: every field followed by a TAB. A TAB or line break inside a field becomes a space, so it
// cannot shift the later fields or split the line.
QString Join_Fields(const QStringList& fields);

} // namespace FileIO
