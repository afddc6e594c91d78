#include "TagGrid.h"
#include "ImportTestData.h"
#include "MarkGrid.h"
#include "MarkedRows.h"
#include "NodeList.h"
#include "PLCTagHandler.h"
#include "RowMarks.h"
#include "TempAppFolder.h"

#include <QApplication>

#include <gtest/gtest.h>

using namespace PLCTagHandler;

namespace {

// Columns 0 to 4 of a grid row, joined by "|".
QString row(const MarkGrid& grid, int r) {
    QStringList cells;
    for (int c = 0; c < TagGridColumns; ++c)
        cells << grid.cell(r, c);
    return cells.join('|');
}

// A loaded RSLogix5000 controller: two scope roots heading the collection, tags and members under them.
struct TagGridTest : ::testing::Test {
    TempAppFolder app;
    NodeList tree;
    MarkGrid grid;

    void SetUp() override {
        auto add = [&](const QString& parent, const QString& key, const QString& text, const QString& tag) {
            ASSERT_TRUE(tree.addNode(parent, key, text, "c", "o").ok());
            tree.setTag(tree.last(), tag);
        };
        add("", "Controller_Tags", "Controller_Tags", "Controller_Tags");
        add("", "MainProgram", "MainProgram", "MainProgram");
        add("Controller_Tags", ":1.", "Motor", "000MOTOR_T");
        add("MainProgram", ":2.", "Rack", "002RACK_T[4]");
        add(":1.", ":1.1.", "Motor.Status", "000Status word");
        add("MainProgram", ":3.", "Pump", "002Motor overload");
        add(":1.", ":1.2.", "Motor.Speed", "000Speed");
        LoadedScopeUpper = 1;
        LoadedScopes = {"Controller_Tags", "MainProgram"};
    }
};

} // namespace

TEST_F(TagGridTest, ScopeRootShowsOnlyItsChildrenNumberedFromZero) {
    tree.select(2);
    SelectedScope = 9;
    Fill_Tag_Grid(tree, &grid);
    EXPECT_TRUE(grid.isVisible());
    EXPECT_EQ(row(grid, 0), "||SPECIFIER|DESCRIPTION|DATA");
    ASSERT_EQ(grid.rowCount(), 3);
    EXPECT_EQ(row(grid, 1), " |0|Rack|RACK_T[4]|");
    EXPECT_EQ(row(grid, 2), " |1|Pump|Motor overload|");
    EXPECT_EQ(SelectedScope, 2);
    EXPECT_GE(grid.columnWidth(0), RowMarks::picture(false).width());
    // Every row unmarked, with its picture.
    EXPECT_FALSE(grid.anyMarked());
    EXPECT_FALSE(grid.cells().data(grid.cells().index(1, 0), Qt::DecorationRole).isNull());
}

TEST_F(TagGridTest, LeafShowsItselfAlone) {
    tree.select(tree.indexOf(":3."));
    Fill_Tag_Grid(tree, &grid);
    ASSERT_EQ(grid.rowCount(), 2);
    EXPECT_EQ(row(grid, 1), " ||Pump|Motor overload|");
    EXPECT_EQ(SelectedScope, 2);
}

TEST_F(TagGridTest, NodeWithChildrenHasItsOwnRowAbove) {
    // The children of Motor are not next to it in the collection: Rack stands between.
    tree.select(tree.indexOf(":1."));
    Fill_Tag_Grid(tree, &grid);
    ASSERT_EQ(grid.rowCount(), 4);
    EXPECT_EQ(row(grid, 1), " ||Motor|MOTOR_T|");
    EXPECT_EQ(row(grid, 2), " |1|Motor.Status|Status word|");
    EXPECT_EQ(row(grid, 3), " |2|Motor.Speed|Speed|");
    EXPECT_EQ(SelectedScope, 0);

    // A second fill replaces the rows; nothing selected leaves the header only.
    tree.select(0);
    Fill_Tag_Grid(tree, &grid);
    EXPECT_EQ(grid.rowCount(), 1);
    EXPECT_EQ(row(grid, 0), "||SPECIFIER|DESCRIPTION|DATA");
}

TEST_F(TagGridTest, DataColumnsAreStripedGreyWithDarkBlueText) {
    tree.select(1);
    Fill_Tag_Grid(tree, &grid);
    const QPalette palette = grid.palette();
    EXPECT_EQ(TagRowColours::backColour(1, palette), palette.color(QPalette::Base));
    EXPECT_EQ(TagRowColours::backColour(2, palette), QColor(224, 224, 224));
    EXPECT_EQ(TagRowColours::backColour(3, palette), palette.color(QPalette::Base));
    EXPECT_EQ(TagRowColours::foreColour(), QColor(0, 0, 64));
    for (int c = 0; c < TagGridColumns; ++c)
        EXPECT_EQ(qobject_cast<TagRowColours*>(grid.itemDelegateForColumn(c)) != nullptr, c >= 2) << c;
    // The mark column keeps the grid's own look.
    EXPECT_EQ(grid.cells().data(grid.cells().index(0, 3), Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(grid.cells().data(grid.cells().index(0, 1), Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignCenter);
}
