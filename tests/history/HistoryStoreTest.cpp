#include "HistoryStore.h"
#include "HistoryStoreWriter.h"
#include "StoreChecks.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

using history::HistoryStoreWriter;
using history::Quality;
using history::Sample;
using history::StoreConfig;

namespace {

StoreConfig sqliteAt(const QString& path)
{
    StoreConfig config;
    config.path = path;
    return config;
}

Sample good(std::int64_t t, double v) { return Sample{t, Quality::Good, true, v, {}}; }

}  // namespace

TEST(HistoryStoreTest, SQLiteKeepsWhatIsStoredAndRefusesAnotherSchemaVersion)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Struct/History/History.db"));
    checkRoundTrip(sqliteAt(path));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bump"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec(QStringLiteral("UPDATE hist_meta SET version = 7"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bump"));
    const auto refused = history::HistoryStore::open(sqliteAt(path));
    ASSERT_FALSE(refused.ok());
    EXPECT_TRUE(refused.error().description.contains(QStringLiteral("version 7"))) << refused.error().description.toStdString();
}

TEST(HistoryStoreTest, ConfigFileNamesTheServerOrTheFileAndSaysWhatIsWrong)
{
    const auto pg = history::parseStoreConfig(
        {QStringLiteral("# plant history"), QStringLiteral("PostgreSQL\tdb.plant\t5433\thistory\tstation3\t")},
        QStringLiteral("/app/"));
    ASSERT_TRUE(pg.ok());
    EXPECT_EQ(pg->kind, StoreConfig::Kind::PostgreSQL);
    EXPECT_EQ(pg->describe(), QStringLiteral("station3@db.plant:5433/history"));
    const auto lite = history::parseStoreConfig({QStringLiteral("sqlite\t\t\tData/h.db\t")}, QStringLiteral("/app/"));
    ASSERT_TRUE(lite.ok());
    EXPECT_EQ(lite->path, QStringLiteral("/app/Data/h.db"));
    for (const QStringList& bad : {QStringList{QStringLiteral("Oracle\th\t1\td\tu\t")},
                                   QStringList{QStringLiteral("PostgreSQL\th\t99999\td\tu\t")},
                                   QStringList{QStringLiteral("PostgreSQL\th\t\t\tu\t")},
                                   QStringList{QStringLiteral("SQLite\t"), QStringLiteral("SQLite\t")},
                                   QStringList{}})
        EXPECT_FALSE(history::parseStoreConfig(bad, QStringLiteral("/app/")).ok()) << bad.join('|').toStdString();
}

// A database that cannot be written keeps the samples in memory, within the bound, and takes them once it
// can; old samples go by the retention.
TEST(HistoryStoreTest, WriterKeepsSamplesWhileTheDatabaseCannotBeWrittenAndDropsOldOnes)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("History"));
    // A file where the folder should be: the database cannot be made.
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const std::int64_t now = 100LL * 24 * 3600 * 1000;
    QStringList reports;
    std::mutex reportsMutex;
    HistoryStoreWriter::Options options;
    options.config = sqliteAt(folder + QStringLiteral("/History.db"));
    options.batchMs = 50;
    options.retentionDays = 2;
    options.maxPending = 4;
    options.nowMs = [now] { return now; };
    options.report = [&](const QString& text) {
        std::lock_guard lock(reportsMutex);
        reports << text;
    };
    {
        HistoryStoreWriter writer(options);
        const int a = writer.addSeries({"Line1", "N7:0"});
        const int b = writer.addSeries({"Line1", "N7:1"});
        writer.record(a, good(now - 5LL * 24 * 3600 * 1000, 1));  // dropped: beyond the bound
        writer.record(a, good(now - 3LL * 24 * 3600 * 1000, 2));  // stored, then past retention
        writer.record(a, good(now - 1000, 3));
        writer.record(a, good(now - 1000, 4));  // same millisecond: moved on by one
        writer.record(b, good(now - 500, 5));
        writer.flush();
        EXPECT_EQ(writer.committedCount(), 0u);
        EXPECT_EQ(writer.droppedCount(), 1u);
        {
            std::lock_guard lock(reportsMutex);
            // Told once, however often it is tried.
            EXPECT_EQ(reports.filter(QStringLiteral("tried again")).size(), 1) << reports.join('\n').toStdString();
        }
        ASSERT_TRUE(QFile::remove(folder));
        writer.flush();
        EXPECT_EQ(writer.committedCount(), 4u);
    }
    EXPECT_EQ(reports.filter(QStringLiteral("written again")).size(), 1) << reports.join('\n').toStdString();
    auto store = history::HistoryStore::open(options.config).value();
    const auto n70 = store->samples({"Line1", "N7:0"}, 0, now);
    ASSERT_EQ(n70.size(), 2u);
    EXPECT_EQ(n70[0].number, 3);
    EXPECT_EQ(n70[1].timeMs, n70[0].timeMs + 1);
    EXPECT_EQ(store->samples({"Line1", "N7:1"}, 0, now).size(), 1u);
    // Vouched for once written, as of the writer's clock.
    EXPECT_EQ(store->recordedUntil({"Line1", "N7:0"}), std::optional<std::int64_t>(now));
}

// A recorder that died left its series' last good values holding: the next one records the stretch nobody
// recorded as a gap, except where another recorder vouched for the series a moment ago.
TEST(HistoryStoreTest, NextRecorderMarksTheStretchNobodyRecordedAsAGap)
{
    QTemporaryDir dir;
    std::atomic<std::int64_t> now{1'000'000};
    HistoryStoreWriter::Options options;
    options.config = sqliteAt(dir.filePath(QStringLiteral("History.db")));
    options.batchMs = 50;
    options.nowMs = [&now] { return now.load(); };
    const history::SeriesKey level{"Line1", "N7:0"}, speed{"Line1", "N7:1"};
    {
        HistoryStoreWriter first(options);
        first.record(first.addSeries(level), good(now - 100, 1));
        first.record(first.addSeries(speed), good(now - 100, 1));
        first.flush();
    }
    now += 60'000;
    {
        auto other = history::HistoryStore::open(options.config).value();
        ASSERT_TRUE(other->markRecorded({other->seriesId(speed).value()}, now - 1000).ok());
    }
    {
        HistoryStoreWriter second(options);
        second.record(second.addSeries(level), good(now - 10, 2));
        second.record(second.addSeries(speed), good(now - 10, 2));
        second.flush();
    }
    auto store = history::HistoryStore::open(options.config).value();
    const auto levels = store->samples(level, 0, now);
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_EQ(levels[1].timeMs, 1'000'000);
    EXPECT_EQ(levels[1].quality, Quality::LinkLost);
    EXPECT_EQ(levels[1].text, "Not recorded");
    EXPECT_EQ(levels[2].number, 2);
    EXPECT_EQ(store->samples(speed, 0, now).size(), 2u);
}
