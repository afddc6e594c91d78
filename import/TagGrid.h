#pragma once

#include <QStyledItemDelegate>

class MarkGrid;
class NodeCollection;

// The tag grid: row marks, row numbers, SPECIFIER, DESCRIPTION and DATA, filled from a node of a tag tree.
namespace PLCTagHandler {

inline constexpr int TagGridColumns = 5;
inline constexpr int MarkColumnTwips = 275;

// Resets the grid to its header row: five columns, the texts "SPECIFIER", "DESCRIPTION" and "DATA".
void Init_Tag_Grid(MarkGrid* grid);

// Shows the tree's selected node (unless it is one of the scope roots heading the collection) and its
// children, one unmarked row each, and sets SelectedScope from their tags. The grid is filled in one go
// and shown at the end. Nothing selected leaves the header alone.
void Fill_Tag_Grid(const NodeCollection& tree, MarkGrid* grid);

} // namespace PLCTagHandler

// Colours of the data columns 2 to 4: every second data row light grey, the others the window background,
// text dark blue unless the model gives its own colour. Fill_Tag_Grid installs it on those columns.
class TagRowColours : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static QColor backColour(int gridRow, const QPalette& palette);
    static QColor foreColour() { return {0, 0, 64}; }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
