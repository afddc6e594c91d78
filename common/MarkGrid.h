#pragma once

#include "MarkedRows.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPair>
#include <QPixmap>
#include <QTableView>

#include <vector>

// Cells of a grid as plain data: row 0 is the header, column 0 the row mark with its picture.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Grid rows including the header row 0.
    int gridRows() const { return static_cast<int>(m_rows.size()) + 1; }
    int gridColumns() const { return m_columns; }
    void setShape(int gridRows, int columns);
    // Replaces all data rows at once (large tag lists).
    void setRows(std::vector<QStringList> rows);

    QString text(int row, int column) const;
    void setText(int row, int column, const QString& text);
    void setPicture(int row, const QPixmap& picture);
    void setAlignment(int column, Qt::Alignment alignment);
    // Odd data rows of columns from..last get a light yellow background.
    void setStripes(int fromColumn) { m_stripeFrom = fromColumn; }
    // The texts of a column grey and struck through, as values that are no longer current; -1 for none.
    void setStaleColumn(int column);
    int staleColumn() const { return m_staleColumn; }
    // A cell's own tool tip; empty for none.
    void setToolTip(int row, int column, const QString& tip);

private:
    int m_columns = 0;
    QStringList m_header;
    std::vector<QStringList> m_rows;
    std::vector<QPixmap> m_pictures;
    std::vector<Qt::Alignment> m_alignment;
    int m_stripeFrom = -1;
    int m_staleColumn = -1;
    QHash<QPair<int, int>, QString> m_tips;
};

// The grid widget of the editor and the tag lists: a view over GridModel that reports clicks the way the
// grid routines need them, with positions and widths in twips.
class MarkGrid : public QTableView, public MarkedRows {
    Q_OBJECT
public:
    explicit MarkGrid(QWidget* parent = nullptr);

    GridModel& cells() { return m_model; }
    const GridModel& cells() const { return m_model; }

    int rowCount() const override { return m_model.gridRows(); }
    QString cell(int row, int column) const override { return m_model.text(row, column); }

    // Current cell in grid numbering (data rows from 1); 0 when none.
    int currentRow() const;
    int currentColumn() const;
    void setCurrent(int row, int column);

    int columnWidthTwips(int column) const;
    void setColumnWidthTwips(int column, int twips);

    bool anyMarked() const;
    // Data rows shown in the viewport, in grid numbering (first and last; 0 and -1 when none).
    int firstVisibleRow() const;
    int lastVisibleRow() const;

Q_SIGNALS:
    // Mouse button released over a cell; x in twips from the grid's left edge.
    void cellReleased(int row, int column, int xTwips);
    void currentRowChanged(int row);
    void keyPressed(int key);
    void scrolled();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    GridModel m_model;
};
