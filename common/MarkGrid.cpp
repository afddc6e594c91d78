#include "MarkGrid.h"

#include "Twips.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <utility>

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_columns; }

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    const int row = index.row() + 1;
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return text(row, column);
    case Qt::DecorationRole:
        if (column == 0 && !m_pictures[static_cast<size_t>(index.row())].isNull())
            return m_pictures[static_cast<size_t>(index.row())];
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_alignment[static_cast<size_t>(column)]);
    case Qt::BackgroundRole:
        if (m_stripeFrom >= 0 && column >= m_stripeFrom && row % 2 == 1)
            return QColor(255, 255, 192);
        return {};
    case Qt::ForegroundRole:
        if (column == m_staleColumn)
            return QColor(Qt::gray);
        if (m_stripeFrom >= 0 && column >= m_stripeFrom)
            return QColor(Qt::black);
        return {};
    case Qt::FontRole:
        if (column == m_staleColumn) {
            QFont struck;
            struck.setStrikeOut(true);
            return struck;
        }
        return {};
    case Qt::ToolTipRole:
        return m_tips.value({row, column});
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return text(0, section);
    return {};
}

void GridModel::setStaleColumn(int column)
{
    const int old = std::exchange(m_staleColumn, column);
    for (int c : {old, column})
        if (c >= 0 && c < m_columns && !m_rows.empty())
            Q_EMIT dataChanged(index(0, c), index(static_cast<int>(m_rows.size()) - 1, c),
                               {Qt::ForegroundRole, Qt::FontRole});
}

void GridModel::setToolTip(int row, int column, const QString& tip)
{
    if (row < 1 || row > static_cast<int>(m_rows.size()) || column < 0 || column >= m_columns)
        return;
    if (tip.isEmpty())
        m_tips.remove({row, column});
    else
        m_tips.insert({row, column}, tip);
    const QModelIndex i = index(row - 1, column);
    Q_EMIT dataChanged(i, i, {Qt::ToolTipRole});
}

void GridModel::setShape(int gridRows, int columns)
{
    beginResetModel();
    m_columns = columns;
    m_header = QStringList(columns, QString());
    m_rows.assign(static_cast<size_t>(std::max(0, gridRows - 1)), QStringList(columns, QString()));
    m_pictures.assign(m_rows.size(), QPixmap());
    m_tips.clear();
    m_alignment.assign(static_cast<size_t>(columns), Qt::AlignCenter);
    endResetModel();
}

void GridModel::setRows(std::vector<QStringList> rows)
{
    beginResetModel();
    for (QStringList& r : rows)
        while (r.size() < m_columns)
            r << QString();
    m_rows = std::move(rows);
    m_pictures.assign(m_rows.size(), QPixmap());
    m_tips.clear();
    endResetModel();
}

QString GridModel::text(int row, int column) const
{
    if (column < 0 || column >= m_columns || row < 0 || row > static_cast<int>(m_rows.size()))
        return {};
    return row == 0 ? m_header[column] : m_rows[static_cast<size_t>(row - 1)][column];
}

void GridModel::setText(int row, int column, const QString& text)
{
    if (column < 0 || column >= m_columns || row < 0 || row > static_cast<int>(m_rows.size()))
        return;
    if (row == 0) {
        m_header[column] = text;
        Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
        return;
    }
    m_rows[static_cast<size_t>(row - 1)][column] = text;
    const QModelIndex i = index(row - 1, column);
    Q_EMIT dataChanged(i, i);
}

void GridModel::setPicture(int row, const QPixmap& picture)
{
    if (row < 1 || row > static_cast<int>(m_rows.size()))
        return;
    m_pictures[static_cast<size_t>(row - 1)] = picture;
    const QModelIndex i = index(row - 1, 0);
    Q_EMIT dataChanged(i, i);
}

void GridModel::setAlignment(int column, Qt::Alignment alignment)
{
    if (column >= 0 && column < m_columns)
        m_alignment[static_cast<size_t>(column)] = alignment;
}

MarkGrid::MarkGrid(QWidget* parent) : QTableView(parent)
{
    setModel(&m_model);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(Twips::toPixels(285));
    horizontalHeader()->setHighlightSections(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { Q_EMIT currentRowChanged(current.isValid() ? current.row() + 1 : 0); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &MarkGrid::scrolled);
}

int MarkGrid::currentRow() const { return currentIndex().isValid() ? currentIndex().row() + 1 : 0; }

int MarkGrid::currentColumn() const { return currentIndex().isValid() ? currentIndex().column() : 0; }

void MarkGrid::setCurrent(int row, int column) { setCurrentIndex(m_model.index(row - 1, column)); }

int MarkGrid::columnWidthTwips(int column) const { return Twips::fromPixels(columnWidth(column)); }

void MarkGrid::setColumnWidthTwips(int column, int twips) { setColumnWidth(column, Twips::toPixels(twips)); }

bool MarkGrid::anyMarked() const
{
    for (int r = 1; r < rowCount(); ++r)
        if (cell(r, 0) == MarkedRow)
            return true;
    return false;
}

int MarkGrid::firstVisibleRow() const
{
    const int row = rowAt(0);
    return row < 0 ? 0 : row + 1;
}

int MarkGrid::lastVisibleRow() const
{
    if (m_model.rowCount() == 0)
        return -1;
    const int row = rowAt(viewport()->height() - 1);
    return row < 0 ? m_model.rowCount() : row + 1;
}

void MarkGrid::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    const QModelIndex at = indexAt(event->position().toPoint());
    if (at.isValid())
        Q_EMIT cellReleased(at.row() + 1, at.column(), Twips::fromPixels(qRound(event->position().x())));
}

void MarkGrid::keyPressEvent(QKeyEvent* event)
{
    Q_EMIT keyPressed(event->key());
    QTableView::keyPressEvent(event);
}
