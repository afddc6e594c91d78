#include "CntrlGrid.h"

#include "MarkGrid.h"
#include "RowMarks.h"
#include "Twips.h"

#include <QFontMetrics>
#include <QWidget>

#include <algorithm>

namespace CntrlGrid {

namespace {

void markAll(MarkGrid* grid, bool marked)
{
    const QPixmap picture = RowMarks::picture(marked);
    GridModel& cells = grid->cells();
    for (int r = 1; r < grid->rowCount(); ++r) {
        cells.setText(r, 0, marked ? MarkedRow : UnmarkedRow);
        cells.setPicture(r, picture);
    }
}

} // namespace

void Size_Columns(QWidget* window, MarkGrid* grid)
{
    grid->hide();
    const QFontMetrics metrics(window->font());
    const int rows = grid->rowCount();
    for (int c = 0; c < grid->cells().gridColumns(); ++c) {
        int widest = 0;
        for (int r = 0; r < rows; ++r)
            widest = std::max(widest, metrics.horizontalAdvance(grid->cell(r, c)));
        grid->setColumnWidthTwips(c, Twips::fromPixels(widest) + 450);
    }
    grid->show();
}

void Toggle_Row(MarkGrid* grid, int xTwips)
{
    if (xTwips >= grid->columnWidthTwips(0))
        return;
    const int row = grid->currentRow();
    if (row < 1)
        return;
    Set_Mark(grid, row, grid->cell(row, 0) != MarkedRow);
}

void Set_Mark(MarkGrid* grid, int row, bool marked)
{
    grid->cells().setText(row, 0, marked ? MarkedRow : UnmarkedRow);
    grid->cells().setPicture(row, RowMarks::picture(marked));
}

void Select_All_Rows(MarkGrid* grid) { markAll(grid, true); }

void Deselect_All_Rows(MarkGrid* grid) { markAll(grid, false); }

} // namespace CntrlGrid
