#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QStringList>

#include <functional>
#include <vector>

class QFontMetricsF;

// A raw export as a table: one row per line, one column per comma-separated field (at most MaxFields).
// The fields are kept as one block of Latin-1 bytes with offsets, so 100,000 lines cost little more than
// the file itself and only the rows on screen ever become strings.
class ListingModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int MaxFields = 21;
    using Tick = std::function<void(int row, int rows)>;

    explicit ListingModel(QObject* parent = nullptr);

    // Splits every line like the CSV conversion; tick runs every 126 lines.
    void setListing(const QByteArray& bytes, const QStringList& headers, const Tick& tick = {});
    void clear();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Field i (0-based) of a row; empty past the row's last field.
    QString field(int row, int i) const;
    int fieldCount(int row) const;

    // The widest text of a column, header included, as the font draws it; tick runs every 126 rows.
    std::vector<qreal> widestTexts(const QFontMetricsF& metrics, const Tick& tick = {}) const;

    static constexpr int TickEvery = 126;

private:
    QByteArrayView fieldBytes(int row, int i) const;

    QByteArray m_text;
    std::vector<quint32> m_fieldEnd; // end offset of every field in m_text
    std::vector<quint32> m_rowFirst; // index of each row's first field; one extra entry at the end
    QStringList m_headers;
    int m_columns = 0;
};
