#include "HistoryStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <iterator>

namespace history {

namespace {

bool isSqlite(const StoreConfig& config) { return config.kind == StoreConfig::Kind::SQLite; }

QString tableOf(int seriesId) { return QStringLiteral("hist_s%1").arg(seriesId); }

QString toQt(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

std::string fromQt(const QString& text) { return text.toStdString(); }

QVariant nullOf(QMetaType type) { return QVariant(type); }

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

Result<std::unique_ptr<HistoryStore>> HistoryStore::open(const StoreConfig& config)
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
    }
    if (!db.isValid())
        return store->failure(QStringLiteral("no driver"), db.lastError().text());
    if (!db.open())
        return store->failure(QStringLiteral("cannot open"), db.lastError().text());
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
    else if (made && version.value(0).toInt() != SchemaVersion)
        made = failure(QStringLiteral("schema"),
                       QStringLiteral("version %1, this program knows version %2")
                           .arg(version.value(0).toInt())
                           .arg(SchemaVersion));
    version.finish();
    if (!made) {
        m_db.rollback();
        return made;
    }
    if (!m_db.commit())
        return failure(QStringLiteral("commit"), m_db.lastError().text());
    return {};
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

Result<std::optional<std::int64_t>> HistoryStore::lastTime(int seriesId)
{
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("SELECT max(t) FROM %1").arg(tableOf(seriesId))))
        return failure(QStringLiteral("last time"), query.lastError().text());
    if (!query.next() || query.isNull(0))
        return std::optional<std::int64_t>();
    return std::optional<std::int64_t>(query.value(0).toLongLong());
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
    for (const Row& row : rows) {
        const Sample& s = row.sample;
        QSqlQuery& insert = insertQuery(row.series);
        // Only what a sample needs: a good number is time and value alone.
        insert.bindValue(0, qlonglong(s.timeMs));
        insert.bindValue(1, s.isNumber ? QVariant(s.number) : nullOf(QMetaType::fromType<double>()));
        insert.bindValue(2, s.quality == Quality::Good ? nullOf(QMetaType::fromType<int>())
                                                       : QVariant(static_cast<int>(s.quality)));
        insert.bindValue(3, s.text.empty() ? nullOf(QMetaType::fromType<QString>()) : QVariant(toQt(s.text)));
        if (!insert.exec()) {
            const QString why = insert.lastError().text();
            m_db.rollback();
            return failure(QStringLiteral("insert"), why);
        }
    }
    if (!m_db.commit()) {
        const QString why = m_db.lastError().text();
        m_db.rollback();
        return failure(QStringLiteral("commit"), why);
    }
    return {};
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

bool HistoryStore::runRead(QSqlQuery& query, const QString& sql, const std::vector<std::int64_t>& times,
                           std::vector<Sample>& out)
{
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    query.prepare(sql);
    for (std::int64_t t : times)
        query.addBindValue(qlonglong(t));
    if (!query.exec()) {
        m_lastError = failure(QStringLiteral("read"), query.lastError().text()).description;
        return false;
    }
    readRows(query, out);
    return true;
}

std::vector<Sample> HistoryStore::samples(const SeriesKey& key, std::int64_t fromMs, std::int64_t toMs)
{
    std::vector<Sample> out;
    const auto id = findSeries(key);
    if (!id) {
        m_lastError = id.error().description;
        return out;
    }
    if (!*id)
        return out;
    const QString table = tableOf(**id);
    // One after the other: a forward-only PostgreSQL query holds the connection until it is read. Good
    // numbers, nearly every row, come as time and value alone; the few others are merged in by time.
    QSqlQuery before(m_db), numbers(m_db), others(m_db);
    if (!runRead(before, QStringLiteral("SELECT t, v, q, x FROM %1 WHERE t < ? ORDER BY t DESC LIMIT 1").arg(table),
                 {fromMs}, out))
        return {};
    std::vector<Sample> good, rest;
    const QString range = QStringLiteral(" FROM %1 WHERE t >= ? AND t <= ? AND ").arg(table);
    if (!runRead(numbers, QStringLiteral("SELECT t, v") + range + QStringLiteral("q IS NULL AND x IS NULL ORDER BY t"),
                 {fromMs, toMs}, good) ||
        !runRead(others,
                 QStringLiteral("SELECT t, v, q, x") + range + QStringLiteral("(q IS NOT NULL OR x IS NOT NULL) ORDER BY t"),
                 {fromMs, toMs}, rest))
        return {};
    out.reserve(out.size() + good.size() + rest.size());
    std::merge(std::make_move_iterator(good.begin()), std::make_move_iterator(good.end()),
               std::make_move_iterator(rest.begin()), std::make_move_iterator(rest.end()), std::back_inserter(out),
               [](const Sample& a, const Sample& b) { return a.timeMs < b.timeMs; });
    return out;
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
