#pragma once

class MarkGrid;
class QWidget;

// Grid routines shared by the page editor and the tag grids.
namespace CntrlGrid {

// Every column as wide as its widest text in the window's font, plus 450 twips; shows the grid.
void Size_Columns(QWidget* window, MarkGrid* grid);
// Toggles the current row's mark when x (twips) lies in column 0.
void Toggle_Row(MarkGrid* grid, int xTwips);
void Select_All_Rows(MarkGrid* grid);
void Deselect_All_Rows(MarkGrid* grid);
// Sets one row's mark and picture.
void Set_Mark(MarkGrid* grid, int row, bool marked);

} // namespace CntrlGrid
