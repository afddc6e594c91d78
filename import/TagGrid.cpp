#include "TagGrid.h"

#include "MarkGrid.h"
#include "NodeCollection.h"
#include "PLCTagHandler.h"
#include "RowMarks.h"
#include "TagTree.h"
#include "Twips.h"

#include <algorithm>
#include <vector>

namespace PLCTagHandler {

namespace {

constexpr int FirstColouredColumn = 2;

QStringList rowOf(const NodeCollection& tree, int node, const QString& number) {
    const QString tag = tree.tag(node);
    SelectedScope = qint16(TagTree::ScopeOf(tag));
    return {UnmarkedRow, number, tree.text(node), TagTree::Detail(tag), QString()};
}

void installColours(MarkGrid* grid) {
    if (qobject_cast<TagRowColours*>(grid->itemDelegateForColumn(FirstColouredColumn)))
        return;
    auto* colours = new TagRowColours(grid);
    for (int c = FirstColouredColumn; c < TagGridColumns; ++c)
        grid->setItemDelegateForColumn(c, colours);
}

} // namespace

void Init_Tag_Grid(MarkGrid* grid) {
    GridModel& cells = grid->cells();
    cells.setShape(1, TagGridColumns);
    // Columns 0 and 1 centred; the texts left and vertically centred.
    cells.setAlignment(0, Qt::AlignCenter);
    cells.setAlignment(1, Qt::AlignCenter);
    for (int c = 2; c < TagGridColumns; ++c)
        cells.setAlignment(c, Qt::AlignLeft | Qt::AlignVCenter);
    cells.setText(0, 2, QStringLiteral("SPECIFIER"));
    cells.setText(0, 3, QStringLiteral("DESCRIPTION"));
    cells.setText(0, 4, QStringLiteral("DATA"));
    // 275 twips is narrower than the 21-pixel mark picture; the column never clips it.
    grid->setColumnWidth(0, std::max(Twips::toPixels(MarkColumnTwips), RowMarks::builtIn(false).width() + 4));
    installColours(grid);
}

void Fill_Tag_Grid(const NodeCollection& tree, MarkGrid* grid) {
    SelectedScope = 0;
    grid->hide();
    Init_Tag_Grid(grid);
    const int selected = tree.selectedIndex();
    if (selected < 1 || selected > tree.count()) {
        grid->show();
        return;
    }

    const std::vector<int> children = TagTree::Children(tree, selected);
    std::vector<QStringList> rows;
    rows.reserve(children.size() + 1);
    // The scope roots head the collection and get no row of their own.
    if (selected > LoadedScopeUpper + 1)
        rows.push_back(rowOf(tree, selected, QString()));
    for (const int child : children)
        rows.push_back(rowOf(tree, child, QString::number(rows.size())));

    GridModel& cells = grid->cells();
    cells.setRows(std::move(rows));
    const QPixmap unmarked = RowMarks::picture(false);
    for (int r = 1; r < cells.gridRows(); ++r)
        cells.setPicture(r, unmarked);
    grid->show();
}

} // namespace PLCTagHandler

QColor TagRowColours::backColour(int gridRow, const QPalette& palette) {
    return gridRow % 2 == 0 ? QColor(224, 224, 224) : palette.color(QPalette::Base);
}

void TagRowColours::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    // The model's own text colour (values no longer current) wins over the dark blue.
    option->palette.setColor(QPalette::Text, foreColour());
    QStyledItemDelegate::initStyleOption(option, index);
    option->backgroundBrush = backColour(index.row() + 1, option->palette);
}
