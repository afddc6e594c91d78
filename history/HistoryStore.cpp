#include "HistoryStore.h"

#include "Summary.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <iterator>

namespace history {

namespace {

bool isSqlite(const StoreConfig& config) { return config.kind == StoreConfig::Kind::SQLite; }

QString tableOf(int seriesId) { return QStringLiteral("hist_s%1").arg(seriesId); }

QString toQt(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

std::string fromQt(const QString& text) { return text.toStdString(); }

QVariant nullOf(QMetaType type) { return QVariant(type); }

const QString GoodNumber = QStringLiteral("q IS NULL AND x IS NULL AND v IS NOT NULL");

}  // namespace

HistoryStore::HistoryStore(const StoreConfig& config, const QString& connection)
    : m_config(config), m_connection(connection)
{
}

HistoryStore::~HistoryStore()
{
    m_inserts.clear();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

RunError HistoryStore::failure(const QString& what, const QString& driverText) const
{
    return RunError::of(ErrNo::PathFileAccess,
                        QStringLiteral("History database %1: %2: %3").arg(m_config.describe(), what, driverText));
}

Result<std::unique_ptr<HistoryStore>> HistoryStore::open(const StoreConfig& config, Access access)
{
    static std::atomic<int> counter{0};
    const QString connection = QStringLiteral("history-%1").arg(++counter);
    std::unique_ptr<HistoryStore> store(new HistoryStore(config, connection));
    QSqlDatabase& db = store->m_db;
    if (isSqlite(config)) {
        if (!QDir().mkpath(QFileInfo(config.path).absolutePath()))
            return store->failure(QStringLiteral("cannot create its folder"), QFileInfo(config.path).absolutePath());
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(config.path);
        // Readers and the recorder share the file; a writer waits for a moment rather than failing.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        db.setHostName(config.host);
        if (config.port > 0)
            db.setPort(config.port);
        db.setDatabaseName(config.database);
        // No password: the client library takes it from the user's .pgpass.
        db.setUserName(config.user);
        // A server that does not answer must not hold a trend window for long.
        db.setConnectOptions(QStringLiteral("connect_timeout=3"));
    }
    if (!db.isValid())
        return store->failure(QStringLiteral("no driver"), db.lastError().text());
    if (!db.open())
        return store->failure(QStringLiteral("cannot open"), db.lastError().text());
    if (access == Access::Read) {
        if (Status s = store->checkVersion(); !s)
            return s.error();
        return store;
    }
    if (isSqlite(config)) {
        // WAL: readers never block the recorder; NORMAL keeps every commit through a killed process.
        for (const char* pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL"})
            if (Status s = store->exec(QString::fromLatin1(pragma)); !s)
                return s.error();
    }
    if (Status s = store->createSchema(); !s)
        return s.error();
    return store;
}

Status HistoryStore::exec(const QString& sql)
{
    QSqlQuery query(m_db);
    if (!query.exec(sql))
        return failure(sql.left(60), query.lastError().text());
    return {};
}

Status HistoryStore::createSchema()
{
    const QString seriesTable =
        isSqlite(m_config)
            ? QStringLiteral("CREATE TABLE IF NOT EXISTS hist_series(id INTEGER PRIMARY KEY, topic TEXT NOT NULL, "
                             "item TEXT NOT NULL, UNIQUE(topic, item))")
            : QStringLiteral("CREATE TABLE IF NOT EXISTS hist_series(id SERIAL PRIMARY KEY, topic TEXT NOT NULL, "
                             "item TEXT NOT NULL, UNIQUE(topic, item))");
    if (!m_db.transaction())
        return failure(QStringLiteral("begin"), m_db.lastError().text());
    Status made = exec(QStringLiteral("CREATE TABLE IF NOT EXISTS hist_meta(version INTEGER NOT NULL)"));
    if (made)
        made = exec(seriesTable);
    QSqlQuery version(m_db);
    if (made && !version.exec(QStringLiteral("SELECT version FROM hist_meta")))
        made = failure(QStringLiteral("schema version"), version.lastError().text());
    if (made && !version.next())
        made = exec(QStringLiteral("INSERT INTO hist_meta(version) VALUES(%1)").arg(SchemaVersion));
    else if (made)
        made = acceptVersion(version.value(0).toInt());
    version.finish();
    if (!made) {
        m_db.rollback();
        return made;
    }
    if (!m_db.commit())
        return failure(QStringLiteral("commit"), m_db.lastError().text());
    // Apart, and allowed to fail: a reader without the right to create tables reads no recorded times from
    // a database an earlier recorder made.
    (void)exec(QStringLiteral("CREATE TABLE IF NOT EXISTS hist_alive(series INTEGER PRIMARY KEY, t BIGINT NOT NULL)"));
    return {};
}

Status HistoryStore::checkVersion()
{
    QSqlQuery version(m_db);
    if (!version.exec(QStringLiteral("SELECT version FROM hist_meta")) || !version.next())
        return failure(QStringLiteral("schema version"), version.lastError().text());
    return acceptVersion(version.value(0).toInt());
}

Status HistoryStore::acceptVersion(int found) const
{
    if (found == SchemaVersion)
        return {};
    return failure(QStringLiteral("schema"),
                   QStringLiteral("version %1, this program knows version %2").arg(found).arg(SchemaVersion));
}

Result<std::optional<int>> HistoryStore::findSeries(const SeriesKey& key)
{
    if (const auto it = m_ids.constFind(key); it != m_ids.cend())
        return std::optional<int>(*it);
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT id FROM hist_series WHERE topic = ? AND item = ?"));
    query.addBindValue(toQt(key.topic));
    query.addBindValue(toQt(key.item));
    if (!query.exec())
        return failure(QStringLiteral("series"), query.lastError().text());
    if (!query.next())
        return std::optional<int>();
    const int id = query.value(0).toInt();
    m_ids.insert(key, id);
    return std::optional<int>(id);
}

Result<int> HistoryStore::seriesId(const SeriesKey& key)
{
    const auto found = findSeries(key);
    if (!found)
        return found.error();
    if (*found)
        return **found;
    // Another station may add the same series at once: the unique key keeps one, and both read it back.
    QSqlQuery add(m_db);
    add.prepare(QStringLiteral("INSERT INTO hist_series(topic, item) VALUES(?, ?) ON CONFLICT DO NOTHING"));
    add.addBindValue(toQt(key.topic));
    add.addBindValue(toQt(key.item));
    if (!add.exec())
        return failure(QStringLiteral("add series"), add.lastError().text());
    const auto added = findSeries(key);
    if (!added)
        return added.error();
    if (!*added)
        return failure(QStringLiteral("add series"), QStringLiteral("not found after adding it"));
    const int id = **added;
    const QString table =
        isSqlite(m_config)
            ? QStringLiteral("CREATE TABLE IF NOT EXISTS %1(t INTEGER PRIMARY KEY, v REAL, q INTEGER, x TEXT)")
            : QStringLiteral("CREATE TABLE IF NOT EXISTS %1(t BIGINT PRIMARY KEY, v DOUBLE PRECISION, q SMALLINT, "
                             "x TEXT)");
    if (Status s = exec(table.arg(tableOf(id))); !s)
        return s.error();
    return id;
}

Result<std::vector<SeriesKey>> HistoryStore::series()
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT topic, item FROM hist_series ORDER BY topic, item")))
        return failure(QStringLiteral("series"), query.lastError().text());
    std::vector<SeriesKey> keys;
    while (query.next())
        keys.push_back({fromQt(query.value(0).toString()), fromQt(query.value(1).toString())});
    return keys;
}

Result<std::optional<Sample>> HistoryStore::lastSample(int seriesId)
{
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("SELECT t, v, q, x FROM %1 ORDER BY t DESC LIMIT 1").arg(tableOf(seriesId))))
        return failure(QStringLiteral("last sample"), query.lastError().text());
    std::vector<Sample> last;
    readRows(query, last);
    return last.empty() ? std::optional<Sample>() : std::optional<Sample>(last.front());
}

QSqlQuery& HistoryStore::insertQuery(int seriesId)
{
    std::shared_ptr<QSqlQuery>& query = m_inserts[seriesId];
    if (!query) {
        query = std::make_shared<QSqlQuery>(m_db);
        query->prepare(QStringLiteral("INSERT INTO %1(t, v, q, x) VALUES(?, ?, ?, ?)").arg(tableOf(seriesId)));
    }
    return *query;
}

Status HistoryStore::append(const std::vector<Row>& rows)
{
    if (!m_db.transaction())
        return failure(QStringLiteral("begin"), m_db.lastError().text());
    const Status added = isSqlite(m_config) ? appendRows(rows) : appendAsText(rows);
    if (!added) {
        m_db.rollback();
        return added;
    }
    if (!m_db.commit()) {
        const QString why = m_db.lastError().text();
        m_db.rollback();
        return failure(QStringLiteral("commit"), why);
    }
    return {};
}

// SQLite runs in this process: a prepared insert a row costs next to nothing.
Status HistoryStore::appendRows(const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        const Sample& s = row.sample;
        QSqlQuery& insert = insertQuery(row.series);
        // Only what a sample needs: a good number is time and value alone.
        insert.bindValue(0, qlonglong(s.timeMs));
        insert.bindValue(1, s.isNumber ? QVariant(s.number) : nullOf(QMetaType::fromType<double>()));
        insert.bindValue(2, s.quality == Quality::Good ? nullOf(QMetaType::fromType<int>())
                                                       : QVariant(static_cast<int>(s.quality)));
        insert.bindValue(3, s.text.empty() ? nullOf(QMetaType::fromType<QString>()) : QVariant(toQt(s.text)));
        if (!insert.exec())
            return failure(QStringLiteral("insert"), insert.lastError().text());
    }
    return {};
}

namespace {

// A float8 as a quoted literal that reads back as the same number.
QString numberLiteral(double value)
{
    if (std::isnan(value))
        return QStringLiteral("'NaN'");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("'Infinity'") : QStringLiteral("'-Infinity'");
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return QLatin1Char('\'') + QLatin1String(digits, end) + QLatin1Char('\'');
}

} // namespace

// PostgreSQL: a round trip a row would cap the rate near the server's latency, so the whole batch goes as
// one text, a multi-row INSERT a series; the driver quotes the texts.
Status HistoryStore::appendAsText(const std::vector<Row>& rows)
{
    std::vector<const Row*> ordered;
    ordered.reserve(rows.size());
    for (const Row& row : rows)
        ordered.push_back(&row);
    std::stable_sort(ordered.begin(), ordered.end(), [](const Row* a, const Row* b) { return a->series < b->series; });
    QSqlField text(QString(), QMetaType::fromType<QString>());
    QString sql;
    sql.reserve(qsizetype(rows.size()) * 40);
    for (size_t i = 0; i < ordered.size(); ++i) {
        const Row& row = *ordered[i];
        const Sample& s = row.sample;
        const bool first = i == 0 || ordered[i - 1]->series != row.series;
        sql += first ? QStringLiteral("INSERT INTO %1(t, v, q, x) VALUES (").arg(tableOf(row.series))
                     : QStringLiteral(",(");
        sql += QString::number(s.timeMs) + QLatin1Char(',');
        sql += (s.isNumber ? numberLiteral(s.number) : QStringLiteral("NULL")) + QLatin1Char(',');
        sql += (s.quality == Quality::Good ? QStringLiteral("NULL") : QString::number(static_cast<int>(s.quality))) +
               QLatin1Char(',');
        text.setValue(toQt(s.text));
        sql += (s.text.empty() ? QStringLiteral("NULL") : m_db.driver()->formatValue(text)) + QLatin1Char(')');
        if (i + 1 == ordered.size() || ordered[i + 1]->series != row.series)
            sql += QLatin1Char(';');
    }
    if (sql.isEmpty())
        return {};
    QSqlQuery insert(m_db);
    if (!insert.exec(sql))
        return failure(QStringLiteral("insert"), insert.lastError().text());
    return {};
}

// Ids and a time of our own, all integers: one statement for every series.
Status HistoryStore::markRecorded(const std::vector<int>& seriesIds, std::int64_t timeMs)
{
    if (seriesIds.empty())
        return {};
    QString sql = QStringLiteral("INSERT INTO hist_alive(series, t) VALUES ");
    for (int id : seriesIds)
        sql += QStringLiteral("(%1,%2),").arg(id).arg(timeMs);
    sql.chop(1);
    return exec(sql + QStringLiteral(" ON CONFLICT(series) DO UPDATE SET t = excluded.t"));
}

std::optional<std::int64_t> HistoryStore::recordedUntil(const SeriesKey& key)
{
    const auto id = findSeries(key);
    if (!id || !*id)
        return std::nullopt;
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT t FROM hist_alive WHERE series = ?"));
    query.addBindValue(**id);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return query.value(0).toLongLong();
}

Result<bool> HistoryStore::deleteSlice(std::int64_t cutoffMs, std::int64_t sliceMs)
{
    QSqlQuery ids(m_db);
    ids.setForwardOnly(true);
    if (!ids.exec(QStringLiteral("SELECT id FROM hist_series")))
        return failure(QStringLiteral("retention"), ids.lastError().text());
    std::vector<int> all;
    while (ids.next())
        all.push_back(ids.value(0).toInt());
    bool more = false;
    for (int id : all) {
        QSqlQuery first(m_db);
        if (!first.exec(QStringLiteral("SELECT min(t) FROM %1").arg(tableOf(id))))
            return failure(QStringLiteral("retention"), first.lastError().text());
        if (!first.next() || first.isNull(0) || first.value(0).toLongLong() >= cutoffMs)
            continue;
        const std::int64_t until = std::min<std::int64_t>(cutoffMs, first.value(0).toLongLong() + sliceMs);
        more = more || until < cutoffMs;
        QSqlQuery drop(m_db);
        drop.prepare(QStringLiteral("DELETE FROM %1 WHERE t < ?").arg(tableOf(id)));
        drop.addBindValue(qlonglong(until));
        if (!drop.exec())
            return failure(QStringLiteral("retention"), drop.lastError().text());
    }
    return more;
}

void HistoryStore::readRows(QSqlQuery& query, std::vector<Sample>& out)
{
    const bool full = query.record().count() == 4;
    while (query.next()) {
        Sample s;
        s.timeMs = query.value(0).toLongLong();
        const QVariant v = query.value(1);
        s.isNumber = !v.isNull();
        if (s.isNumber)
            s.number = v.toDouble();
        if (full) {
            const QVariant q = query.value(2);
            if (!q.isNull())
                s.quality = static_cast<Quality>(q.toInt());
            const QVariant x = query.value(3);
            if (!x.isNull())
                s.text = fromQt(x.toString());
        }
        out.push_back(std::move(s));
    }
}

void HistoryStore::readBuckets(QSqlQuery& query, std::vector<Sample>& out)
{
    while (query.next())
        trend::appendBucket(out, {query.value(0).toLongLong(), query.value(4).toLongLong(), query.value(1).toDouble(),
                                  query.value(2).toDouble(), query.value(3).toDouble(), query.value(5).toDouble()});
}

bool HistoryStore::execRead(QSqlQuery& query, const QString& sql, const std::vector<std::int64_t>& binds)
{
    // Forward-only costs a PostgreSQL result a row (single-row mode), slower than one result for all.
    query.setForwardOnly(isSqlite(m_config));
    query.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    query.prepare(sql);
    for (std::int64_t value : binds)
        query.addBindValue(qlonglong(value));
    if (query.exec())
        return true;
    m_lastError = failure(QStringLiteral("read"), query.lastError().text()).description;
    return false;
}

std::vector<Sample> HistoryStore::samples(const SeriesKey& key, std::int64_t fromMs, std::int64_t toMs)
{
    return readSeries(key, fromMs, toMs, 0);
}

std::vector<Sample> HistoryStore::summary(const SeriesKey& key, std::int64_t fromMs, std::int64_t toMs,
                                          std::int64_t bucketMs)
{
    return readSeries(key, fromMs, toMs, std::max<std::int64_t>(1, bucketMs));
}

// Good numbers, nearly every row, come as time and value alone (or summed up into buckets); the few others
// whole, merged in by time.
std::vector<Sample> HistoryStore::readSeries(const SeriesKey& key, std::int64_t fromMs, std::int64_t toMs,
                                             std::int64_t bucketMs)
{
    const auto id = findSeries(key);
    if (!id) {
        m_lastError = id.error().description;
        return {};
    }
    if (!*id)
        return {};
    const QString table = tableOf(**id);
    const QString range = QStringLiteral(" FROM %1 WHERE t >= ? AND t <= ? AND ").arg(table);
    QSqlQuery before(m_db), numbers(m_db), others(m_db);
    std::vector<Sample> out, good, rest;
    if (!execRead(before, QStringLiteral("SELECT t, v, q, x FROM %1 WHERE t < ? ORDER BY t DESC LIMIT 1").arg(table),
                  {fromMs}) ||
        !execRead(others, QStringLiteral("SELECT t, v, q, x") + range + QStringLiteral("NOT (") + GoodNumber +
                              QStringLiteral(") ORDER BY t"),
                  {fromMs, toMs}))
        return {};
    readRows(before, out);
    readRows(others, rest);
    const QString everyNumber = QStringLiteral("SELECT t, v") + range + GoodNumber + QStringLiteral(" ORDER BY t");
    if (bucketMs == 0) {
        if (!execRead(numbers, everyNumber, {fromMs, toMs}))
            return {};
        readRows(numbers, good);
    } else {
        std::vector<std::int64_t> splits;
        for (const Sample& s : rest)
            splits.push_back(s.timeMs);
        // SQLite sums up no faster than it hands every row over; PostgreSQL saves the transfer, while the
        // gaps that split its buckets are few enough to name in the query.
        const bool inDatabase = !isSqlite(m_config) && splits.size() <= MaxSplitsInQuery;
        if (!execRead(numbers, inDatabase ? bucketQuery(table, splits) : everyNumber,
                      inDatabase ? std::vector<std::int64_t>{fromMs, toMs, fromMs, bucketMs}
                                 : std::vector<std::int64_t>{fromMs, toMs}))
            return {};
        if (inDatabase)
            readBuckets(numbers, good);
        else
            good = summed(numbers, trend::Summariser(fromMs, bucketMs, std::move(splits)));
    }
    std::vector<Sample> merged = trend::mergeByTime(std::move(good), std::move(rest));
    out.insert(out.end(), std::make_move_iterator(merged.begin()), std::make_move_iterator(merged.end()));
    return out;
}

// PostgreSQL: each bucket's first and last value come with its extremes as the least and greatest
// (time, value) pair; a run number from the splits keeps a gap's two sides apart.
QString HistoryStore::bucketQuery(const QString& table, const std::vector<std::int64_t>& splits)
{
    // A bare number would name a column of the result.
    QString run;
    if (!splits.empty()) {
        run = QStringLiteral("CASE");
        for (std::size_t i = 0; i < splits.size(); ++i)
            run += QStringLiteral(" WHEN t < %1 THEN %2").arg(splits[i]).arg(i);
        run += QStringLiteral(" ELSE %1 END, ").arg(splits.size());
    }
    return QStringLiteral("SELECT min(t), (min(ARRAY[t::float8, v]))[2], min(v), max(v), max(t), "
                          "(max(ARRAY[t::float8, v]))[2] FROM %1 WHERE t >= ? AND t <= ? AND %2 GROUP BY %3"
                          "(t - ?) / ? ORDER BY 1")
        .arg(table, GoodNumber, run);
}

std::vector<Sample> HistoryStore::summed(QSqlQuery& query, trend::Summariser summariser)
{
    while (query.next())
        summariser.add(query.value(0).toLongLong(), query.value(1).toDouble());
    return summariser.finish();
}

Result<qint64> HistoryStore::sizeBytes()
{
    const QString sql =
        isSqlite(m_config)
            ? QStringLiteral("SELECT page_count * page_size FROM pragma_page_count(), pragma_page_size()")
            : QStringLiteral("SELECT sum(pg_total_relation_size(quote_ident(tablename)::regclass)) FROM pg_tables "
                             "WHERE schemaname = current_schema() AND tablename LIKE 'hist%'");
    QSqlQuery query(m_db);
    if (!query.exec(sql) || !query.next())
        return failure(QStringLiteral("size"), query.lastError().text());
    return query.value(0).toLongLong();
}

}  // namespace history
