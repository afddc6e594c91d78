#include "HistoryStoreWriter.h"
#include "Recorder.h"
#include "RecorderFixture.h"
#include "RecorderOptions.h"
#include "StoreChecks.h"
#include "TempAppFolder.h"

#include <QTest>

#include <atomic>

// Runs inside pg_virtualenv, which starts a throwaway cluster and names it in the PG* variables.
namespace {

QString env(const char* name) { return qEnvironmentVariable(name); }

// A database of the test's own, so the tests do not see each other's tables.
QString freshDatabase(const char* name)
{
    QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("admin"));
    admin.setHostName(env("PGHOST"));
    admin.setPort(env("PGPORT").toInt());
    admin.setDatabaseName(env("PGDATABASE"));
    admin.setUserName(env("PGUSER"));
    if (admin.open()) {
        QSqlQuery(admin).exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(QLatin1String(name)));
        QSqlQuery(admin).exec(QStringLiteral("CREATE DATABASE %1").arg(QLatin1String(name)));
        admin.close();
    }
    admin = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
    return QString::fromLatin1(name);
}

// Statements run as the cluster's own user in a database.
bool runAsAdmin(const QString& database, const QStringList& statements)
{
    bool ran = false;
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("grants"));
        admin.setHostName(env("PGHOST"));
        admin.setPort(env("PGPORT").toInt());
        admin.setDatabaseName(database);
        admin.setUserName(env("PGUSER"));
        ran = admin.open();
        for (const QString& sql : statements)
            ran = ran && QSqlQuery(admin).exec(sql);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("grants"));
    return ran;
}

QByteArray configLine(const QString& database)
{
    return QStringLiteral("PostgreSQL\t%1\t%2\t%3\t%4\t\r\n")
        .arg(env("PGHOST"), env("PGPORT"), database, env("PGUSER"))
        .toLatin1();
}

}  // namespace

TEST(HistoryPgTest, PostgreSQLKeepsWhatIsStored)
{
    ASSERT_FALSE(env("PGPORT").isEmpty()) << "run under pg_virtualenv";
    TempAppFolder app;
    TempAppFolder::write(app.path() + history::StoreConfigFileName, configLine(freshDatabase("roundtrip")));
    const auto config = history::readStoreConfig(app.path());
    ASSERT_TRUE(config.ok()) << config.error().description.toStdString();
    checkRoundTrip(*config);
}

// A viewer's database user may only read: the trend opens the history without creating anything.
TEST(HistoryPgTest, AReaderNeedsNoMoreThanSelect)
{
    ASSERT_FALSE(env("PGPORT").isEmpty()) << "run under pg_virtualenv";
    TempAppFolder app;
    TempAppFolder::write(app.path() + history::StoreConfigFileName, configLine(freshDatabase("readonly")));
    auto config = history::readStoreConfig(app.path()).value();
    {
        auto store = history::HistoryStore::open(config).value();
        const int id = store->seriesId({"Line1", "N7:0"}).value();
        ASSERT_TRUE(store->append({{id, {1000, history::Quality::Good, true, 4.5, {}}}}).ok());
    }
    // The same password as the cluster's own user, which pg_virtualenv hands the client.
    ASSERT_TRUE(runAsAdmin(config.database,
                           {QStringLiteral("DROP ROLE IF EXISTS viewer"),
                            QStringLiteral("CREATE ROLE viewer LOGIN PASSWORD '%1'").arg(env("PGPASSWORD")),
                            QStringLiteral("GRANT SELECT ON ALL TABLES IN SCHEMA public TO viewer")}));
    config.user = QStringLiteral("viewer");
    auto reader = history::HistoryStore::open(config, history::HistoryStore::Access::Read);
    ASSERT_TRUE(reader.ok()) << reader.error().description.toStdString();
    const auto samples = reader.value()->samples({"Line1", "N7:0"}, 0, 2000);
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(samples[0].number, 4.5);
    EXPECT_FALSE(history::HistoryStore::open(config).ok());
}

// A writer that lost its server stores what it held once it is back, and no "Not recorded" gap: it recorded
// that stretch itself.
TEST(HistoryPgTest, AWriterBackFromALostServerMarksNoGap)
{
    ASSERT_FALSE(env("PGPORT").isEmpty()) << "run under pg_virtualenv";
    TempAppFolder app;
    TempAppFolder::write(app.path() + history::StoreConfigFileName, configLine(freshDatabase("reconnect")));
    std::atomic<std::int64_t> now{1'000'000};
    history::HistoryStoreWriter::Options options;
    options.config = history::readStoreConfig(app.path()).value();
    options.batchMs = 50;
    options.nowMs = [&now] { return now.load(); };
    const history::SeriesKey level{"Line1", "N7:0"};
    {
        history::HistoryStoreWriter writer(options);
        const int series = writer.addSeries(level);
        writer.record(series, {now - 10, history::Quality::Good, true, 1, {}});
        writer.flush();
        ASSERT_TRUE(runAsAdmin(options.config.database,
                               {QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname "
                                               "= current_database() AND pid <> pg_backend_pid()")}));
        now += 60'000;
        writer.record(series, {now - 10, history::Quality::Good, true, 2, {}});
        QTRY_COMPARE_WITH_TIMEOUT(writer.committedCount(), 2u, 10000);
    }
    auto store = history::HistoryStore::open(options.config).value();
    const auto samples = store->samples(level, 0, now);
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[1].number, 2);
}

using HistoryPgRecorderTest = RecorderFixture;

// The recorder's whole road to a server named in "HistoryDB.txt": options, writer, store.
TEST_F(HistoryPgRecorderTest, RecorderWritesToTheServerHistoryDBtxtNames)
{
    TempAppFolder app;
    startServer({QStringLiteral("Line1\tN7:0\tramp\t20\t0\t100000\t")});
    TempAppFolder::write(app.path() + history::StoreConfigFileName, configLine(freshDatabase("recorded")));
    TempAppFolder::write(app.path() + QStringLiteral("Topics.txt"), "RSLinx|Line1\tN7:0\t\t\t\r\n");
    const auto options = RecorderOptions::parse({QStringLiteral("HistoryRecorder"), QStringLiteral("Topics.txt")},
                                                app.path());
    ASSERT_TRUE(options.ok()) << options.error().description.toStdString();
    history::HistoryStoreWriter::Options writing;
    writing.config = options->store;
    writing.batchMs = 100;
    {
        history::HistoryStoreWriter writer(writing);
        Recorder recorder(options->topics, writer);
        recorder.start();
        QTest::qWait(1000);
    }
    auto store = history::HistoryStore::open(options->store).value();
    const auto samples = store->samples({"Line1", "N7:0"}, INT64_MIN, INT64_MAX);
    ASSERT_GE(samples.size(), 10u);
    for (std::size_t i = 2; i + 1 < samples.size(); ++i)
        EXPECT_EQ(samples[i].number, samples[i - 1].number + 1) << i;
    EXPECT_EQ(samples.back().text, "Recorder stopped");
}
