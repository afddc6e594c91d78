#pragma once

#include <QPixmap>
#include <QString>

// The row-mark pictures "UC.bmp" (unmarked) and "IC.bmp" (marked) in the application folder.
// Loaded from the file each time; a missing file is first written from the built-in copy.
namespace RowMarks {

inline const QString UnmarkedFile = QStringLiteral("UC.bmp");
inline const QString MarkedFile = QStringLiteral("IC.bmp");

// The built-in copies: an empty and a ticked box, 21 x 19 pixels.
QPixmap builtIn(bool marked);
QPixmap picture(bool marked);

} // namespace RowMarks
