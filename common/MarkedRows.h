#pragma once

#include <QString>

// A grid whose column 0 marks rows (" " unmarked, "  " marked); row 0 is the header, data starts at row 1.
// The tag grids and the editor grid supply it, whatever widget or model holds their cells.
class MarkedRows {
public:
    virtual ~MarkedRows() = default;
    // Rows including the header row.
    virtual int rowCount() const = 0;
    virtual QString cell(int row, int column) const = 0;
};

inline const QString UnmarkedRow = QStringLiteral(" ");
inline const QString MarkedRow = QStringLiteral("  ");
