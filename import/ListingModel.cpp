#include "ListingModel.h"

#include "CsvFile.h"
#include "LineBytes.h"

#include <QFontMetricsF>

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_set>

ListingModel::ListingModel(QObject* parent) : QAbstractTableModel(parent) {}

void ListingModel::clear() {
    beginResetModel();
    m_text.clear();
    m_fieldEnd.clear();
    m_rowFirst.assign(1, 0);
    m_headers.clear();
    m_columns = 0;
    endResetModel();
}

void ListingModel::setListing(const QByteArray& bytes, const QStringList& headers, const Tick& tick) {
    beginResetModel();
    m_text.clear();
    m_text.reserve(bytes.size());
    m_fieldEnd.clear();
    m_rowFirst.clear();
    m_headers = headers;
    int rows = 0;
    LineBytes::forEachLine(bytes, [&](QByteArrayView) { ++rows; });
    m_rowFirst.reserve(size_t(rows) + 1);
    int widest = 0, row = 0;
    QByteArray scratch;
    LineBytes::forEachLine(bytes, [&](QByteArrayView line) {
        m_rowFirst.push_back(quint32(m_fieldEnd.size()));
        const int fields = Csv::splitLine(line, MaxFields, scratch, [&](const QByteArray& f) {
            m_text += f;
            m_fieldEnd.push_back(quint32(m_text.size()));
        });
        widest = std::max(widest, std::min(fields, int(MaxFields)));
        if (++row % TickEvery == 0 && tick)
            tick(row, rows);
    });
    m_rowFirst.push_back(quint32(m_fieldEnd.size()));
    m_columns = std::max(int(headers.size()), widest);
    endResetModel();
}

int ListingModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || m_rowFirst.empty() ? 0 : int(m_rowFirst.size()) - 1;
}

int ListingModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

int ListingModel::fieldCount(int row) const {
    if (row < 0 || row >= rowCount())
        return 0;
    return int(m_rowFirst[size_t(row) + 1] - m_rowFirst[size_t(row)]);
}

QByteArrayView ListingModel::fieldBytes(int row, int i) const {
    if (i < 0 || i >= fieldCount(row))
        return {};
    const size_t f = m_rowFirst[size_t(row)] + size_t(i);
    const quint32 begin = f == 0 ? 0 : m_fieldEnd[f - 1];
    return QByteArrayView(m_text.constData() + begin, m_fieldEnd[f] - begin);
}

QString ListingModel::field(int row, int i) const {
    return QString::fromLatin1(fieldBytes(row, i));
}

QVariant ListingModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return field(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

QVariant ListingModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        // The line number column.
        if (role == Qt::DisplayRole)
            return section + 1;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        return {};
    }
    if (role == Qt::DisplayRole)
        return m_headers.value(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

std::vector<qreal> ListingModel::widestTexts(const QFontMetricsF& metrics, const Tick& tick) const {
    // Measuring every cell is slow; the sum of character advances bounds a text's width closely, so only
    // the few texts whose bound reaches the widest measured one are measured.
    std::array<qreal, 256> advance{};
    for (int c = 0; c < 256; ++c)
        advance[size_t(c)] = metrics.horizontalAdvance(QChar(c));
    const int rows = rowCount();
    std::vector<float> bound(m_fieldEnd.size());
    std::vector<size_t> boundest(size_t(m_columns), SIZE_MAX);
    for (int r = 0; r < rows; ++r) {
        const int n = fieldCount(r);
        for (int i = 0; i < n; ++i) {
            const size_t f = m_rowFirst[size_t(r)] + size_t(i);
            qreal sum = 0;
            for (const char c : fieldBytes(r, i))
                sum += advance[uchar(c)];
            bound[f] = float(sum);
            size_t& best = boundest[size_t(i)];
            if (best == SIZE_MAX || bound[best] < bound[f])
                best = f;
        }
        if ((r + 1) % TickEvery == 0 && tick)
            tick(r + 1, rows);
    }
    auto text = [&](size_t f) {
        const quint32 begin = f == 0 ? 0 : m_fieldEnd[f - 1];
        return QString::fromLatin1(m_text.constData() + begin, m_fieldEnd[f] - begin);
    };
    std::vector<qreal> widest(size_t(m_columns), 0);
    for (int c = 0; c < m_columns; ++c) {
        qreal best = metrics.horizontalAdvance(m_headers.value(c));
        if (boundest[size_t(c)] == SIZE_MAX) {
            widest[size_t(c)] = best;
            continue;
        }
        best = std::max(best, metrics.horizontalAdvance(text(boundest[size_t(c)])));
        // A text whose bound does not pass the widest measured one is at most a rounding error wider; each
        // distinct text is measured once, as a column often repeats the same few texts.
        std::unordered_set<std::string_view> measured;
        for (int r = 0; r < rows; ++r) {
            if (c >= fieldCount(r))
                continue;
            const size_t f = m_rowFirst[size_t(r)] + size_t(c);
            if (bound[f] <= best + 0.5)
                continue;
            const QByteArrayView bytes = fieldBytes(r, c);
            if (measured.insert(std::string_view(bytes.data(), size_t(bytes.size()))).second)
                best = std::max(best, metrics.horizontalAdvance(text(f)));
        }
        widest[size_t(c)] = best;
    }
    return widest;
}
