#include "RecorderFixture.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

QString integrityOf(const QString& path)
{
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("integrity"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next())
                result = query.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("integrity"));
    return result;
}

}  // namespace

using RecorderKillTest = RecorderFixture;

TEST_F(RecorderKillTest, AKilledRecorderLeavesASoundDatabaseWithEveryCommittedBatch)
{
    QStringList rules;
    QStringList list;
    for (int i = 0; i < 20; ++i) {
        rules << QStringLiteral("Line1\tN7:%1\tramp\t10\t0\t1000000\t").arg(i);
        list << QStringLiteral("RSLinx|Line1\tN7:%1\t").arg(i);
    }
    startServer(rules);
    const QString listFile = dir.filePath(QStringLiteral("Topics.txt"));
    QFile file(listFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(list.join(QStringLiteral("\r\n")).toLatin1());
    file.close();
    const QString db = dir.filePath(QStringLiteral("History.db"));

    std::size_t before = 0;
    for (int round = 0; round < 3; ++round) {
        QProcess recorder;
        recorder.start(LinkTestServer::binDir() + QStringLiteral("/HistoryRecorder"),
                       {QStringLiteral("--db"), db, QStringLiteral("--progress"), listFile});
        ASSERT_TRUE(recorder.waitForStarted(5000));
        std::uint64_t committed = 0;
        const QDeadlineTimer killAt(1500 + QRandomGenerator::global()->bounded(1500));
        while (!killAt.hasExpired()) {
            recorder.waitForReadyRead(static_cast<int>(qMax<qint64>(1, killAt.remainingTime())));
            while (recorder.canReadLine()) {
                const QByteArray line = recorder.readLine().trimmed();
                if (line.startsWith("committed "))
                    committed = line.mid(10).toULongLong();
            }
        }
        recorder.kill();
        recorder.waitForFinished(3000);
        const qint64 killedAt = QDateTime::currentMSecsSinceEpoch();
        ASSERT_GT(committed, 0u) << recorder.readAllStandardError().toStdString();

        ASSERT_EQ(integrityOf(db), QStringLiteral("ok"));
        auto store = history::HistoryStore::open([&] {
            history::StoreConfig c;
            c.path = db;
            return c;
        }());
        ASSERT_TRUE(store.ok());
        const std::size_t now = countSamples(*store.value());
        EXPECT_GE(now, before + committed) << round;
        before = now;
        // It vouched for its series up to its last batch, never past its death.
        const auto vouched = store.value()->recordedUntil({"Line1", "N7:0"});
        ASSERT_TRUE(vouched.has_value());
        EXPECT_LE(*vouched, killedAt);
        EXPECT_GT(*vouched, killedAt - 3000);
    }
}
