#pragma once

#include "HistorySample.h"
#include "HistoryStoreConfig.h"
#include "Summary.h"
#include "RunError.h"

#include <QHash>
#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QSqlQuery;

namespace history {

// Series keys in Qt's hash containers.
inline size_t qHash(const SeriesKey& key, size_t seed = 0)
{
    return qHashMulti(seed, QByteArrayView(key.topic.data(), qsizetype(key.topic.size())),
                      QByteArrayView(key.item.data(), qsizetype(key.item.size())));
}

// The one place that knows the history's tables, their version and both drivers. Each series has a table of
// its own keyed by time, so a series' samples are appended in order and read as one contiguous range; the
// table "hist_series" names them. A store is used from the thread that opened it.
class HistoryStore : public HistoryReader {
public:
    static constexpr int SchemaVersion = 1;

    // Write: opens (creating the SQLite file and its folder) and brings the tables up to the schema. Read:
    // opens what a recorder made and changes nothing, so a viewer's database user needs no more than SELECT.
    // A database of another schema version is refused.
    enum class Access { Read, Write };
    static Result<std::unique_ptr<HistoryStore>> open(const StoreConfig& config, Access access = Access::Write);
    ~HistoryStore() override;
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // The id of key's series, created when new.
    Result<int> seriesId(const SeriesKey& key);
    // Every recorded series.
    Result<std::vector<SeriesKey>> series();
    // The series' last sample; nullopt when it has none.
    Result<std::optional<Sample>> lastSample(int seriesId);

    struct Row {
        int series = 0;
        Sample sample;
    };
    // Stores the rows in one transaction: all or none. Times must be new for their series.
    Status append(const std::vector<Row>& rows);

    // Records that the series' samples up to timeMs are all stored.
    Status markRecorded(const std::vector<int>& seriesIds, std::int64_t timeMs);

    // Deletes samples before cutoffMs, at most sliceMs of time of each series, so one call stays short.
    // Returns whether older samples remain.
    Result<bool> deleteSlice(std::int64_t cutoffMs, std::int64_t sliceMs);

    // Empty when the key has no series or the database fails (lastError says why).
    std::vector<Sample> samples(const SeriesKey& key, std::int64_t fromMs, std::int64_t toMs) override;
    std::vector<Sample> summary(const SeriesKey& key, std::int64_t fromMs, std::int64_t toMs,
                                std::int64_t bucketMs) override;
    std::optional<std::int64_t> recordedUntil(const SeriesKey& key) override;
    const QString& lastError() const { return m_lastError; }

    // Bytes the database takes (SQLite file pages; PostgreSQL relation sizes).
    Result<qint64> sizeBytes();

private:
    explicit HistoryStore(const StoreConfig& config, const QString& connection);
    Status createSchema();
    Status checkVersion();
    Status acceptVersion(int found) const;
    Status exec(const QString& sql);
    Result<std::optional<int>> findSeries(const SeriesKey& key);
    QSqlQuery& insertQuery(int seriesId);
    Status appendRows(const std::vector<Row>& rows);
    Status appendAsText(const std::vector<Row>& rows);
    // bucketMs 0: every sample.
    std::vector<Sample> readSeries(const SeriesKey& key, std::int64_t fromMs, std::int64_t toMs, std::int64_t bucketMs);
    bool execRead(QSqlQuery& query, const QString& sql, const std::vector<std::int64_t>& binds);
    static void readRows(QSqlQuery& query, std::vector<Sample>& out);
    static void readBuckets(QSqlQuery& query, std::vector<Sample>& out);
    static QString bucketQuery(const QString& table, const std::vector<std::int64_t>& splits);
    static std::vector<Sample> summed(QSqlQuery& query, trend::Summariser summariser);
    static constexpr std::size_t MaxSplitsInQuery = 64;
    RunError failure(const QString& what, const QString& driverText) const;

    StoreConfig m_config;
    QString m_connection;
    QSqlDatabase m_db;
    QHash<SeriesKey, int> m_ids;
    QHash<int, std::shared_ptr<QSqlQuery>> m_inserts;
    QString m_lastError;
};

}  // namespace history

