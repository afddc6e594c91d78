#include "LinkClient.h"
#include "LinkRecovery.h"
#include "Recorder.h"
#include "RecorderFixture.h"
#include "TempAppFolder.h"

#include <QTest>

#include <csignal>

using history::Quality;
using history::Sample;

namespace {

RecordedTopic topic(const QString& item, double deadband = 0, int minIntervalMs = 0)
{
    return {QStringLiteral("RSLinx|Line1"), item, deadband, minIntervalMs};
}

// The samples of a series split at its gaps: the runs of good values.
std::vector<std::vector<Sample>> runs(const std::vector<Sample>& samples)
{
    std::vector<std::vector<Sample>> out{{}};
    for (const Sample& s : samples) {
        if (s.quality == Quality::Good)
            out.back().push_back(s);
        else if (!out.back().empty())
            out.emplace_back();
    }
    return out;
}

}  // namespace

using RecorderTest = RecorderFixture;

TEST_F(RecorderTest, RecordsChangesOfARealServerWithItsGapsDeadbandsAndIntervals)
{
    TempAppFolder noServerHere;
    startServer({QStringLiteral("Line1\tN7:0\tramp\t50\t0\t100000\t"), QStringLiteral("Line1\tN7:1\tramp\t20\t0\t100000\t"),
                 QStringLiteral("Line1\tN7:2\tramp\t20\t0\t100000\t"), QStringLiteral("Line1\tN7:3\tconstant\t5\t")});
    history::HistoryStoreWriter::Options options;
    options.config.path = dir.filePath(QStringLiteral("History.db"));
    options.batchMs = 100;
    history::HistoryStoreWriter writer(options);
    {
        Recorder recorder({topic(QStringLiteral("N7:0")), topic(QStringLiteral("N7:1"), 4),
                           topic(QStringLiteral("N7:2"), 0, 300), topic(QStringLiteral("N7:3")),
                           topic(QStringLiteral("No_Such__Tag"))},
                          writer);
        recorder.start();
        EXPECT_EQ(recorder.linkedCount(), 5);
        QTest::qWait(1200);
        server.kill();
        QTRY_VERIFY_WITH_TIMEOUT(LinkRecovery::isLinkLost(), 3000);
        QTest::qWait(300);
        ASSERT_TRUE(server.start());
        QTRY_COMPARE_WITH_TIMEOUT(recorder.linkedCount(), 5, 8000);
        QTest::qWait(800);
    }
    writer.flush();
    auto store = history::HistoryStore::open(options.config).value();
    const auto series = [&](const char* item) { return store->samples({"Line1", item}, INT64_MIN, INT64_MAX); };

    // Every step of the ramp, a gap while the server was gone, the restarted ramp, the recorder's stop.
    const auto n70 = series("N7:0");
    const auto n70runs = runs(n70);
    ASSERT_EQ(n70runs.size(), 3u);
    for (const auto& run : {n70runs[0], n70runs[1]}) {
        ASSERT_GE(run.size(), 5u);
        for (std::size_t i = 1; i < run.size(); ++i)
            EXPECT_EQ(run[i].number, run[i - 1].number + 1) << i;
    }
    const auto gap = std::find_if(n70.begin(), n70.end(), [](const Sample& s) { return s.quality != Quality::Good; });
    EXPECT_EQ(gap->quality, Quality::LinkLost);
    EXPECT_EQ(gap->text, "Link lost");
    EXPECT_GT(gap->timeMs, n70runs[0].back().timeMs);
    EXPECT_LT(gap->timeMs, n70runs[1].front().timeMs);
    EXPECT_EQ(n70.back().text, "Recorder stopped");

    for (const auto& run : runs(series("N7:1")))
        for (std::size_t i = 1; i < run.size(); ++i)
            EXPECT_GT(run[i].number - run[i - 1].number, 4) << i;
    // The last value before the gap is kept even within the interval.
    const auto n72 = runs(series("N7:2"))[0];
    ASSERT_GE(n72.size(), 3u);
    for (std::size_t i = 1; i + 1 < n72.size(); ++i)
        EXPECT_GE(n72[i].timeMs - n72[i - 1].timeMs, 300) << i;

    // An unchanged value is stored once, and again after the gap.
    const auto n73 = series("N7:3");
    ASSERT_EQ(n73.size(), 4u);
    EXPECT_EQ(n73[0].number, 5);
    EXPECT_EQ(n73[1].quality, Quality::LinkLost);
    EXPECT_EQ(n73[2].number, 5);

    const auto bad = series("No_Such__Tag");
    ASSERT_FALSE(bad.empty());
    EXPECT_EQ(bad[0].quality, Quality::ServerError);
    EXPECT_EQ(bad[0].text.rfind("Server error", 0), 0u) << bad[0].text;
}

// A hung server's gap starts when it was last heard from, not seconds later when its silence is noticed.
TEST_F(RecorderTest, HungServersGapStartsWhenItWasLastHeardFrom)
{
    TempAppFolder noServerHere;
    startServer({QStringLiteral("Line1\tN7:0\tramp\t50\t0\t100000\t")});
    history::HistoryStoreWriter::Options options;
    options.config.path = dir.filePath(QStringLiteral("History.db"));
    options.batchMs = 100;
    history::HistoryStoreWriter writer(options);
    const auto pid = static_cast<pid_t>(server.process().processId());
    std::int64_t stoppedAt = 0;
    {
        Recorder recorder({topic(QStringLiteral("N7:0"))}, writer);
        recorder.start();
        QTest::qWait(500);
        ASSERT_EQ(::kill(pid, SIGSTOP), 0);
        stoppedAt = QDateTime::currentMSecsSinceEpoch();
        QTest::qWait(1000);
        for (int i = 0; i < 3 && !LinkRecovery::isLinkLost(); ++i)
            LinkClient::instance().Ping_Timer();
        const bool lost = LinkRecovery::isLinkLost();
        ASSERT_EQ(::kill(pid, SIGCONT), 0);
        ASSERT_TRUE(lost);
    }
    writer.flush();
    auto store = history::HistoryStore::open(options.config).value();
    const auto n70 = store->samples({"Line1", "N7:0"}, INT64_MIN, INT64_MAX);
    const auto gap = std::find_if(n70.begin(), n70.end(), [](const Sample& s) { return s.quality != Quality::Good; });
    ASSERT_NE(gap, n70.end());
    EXPECT_EQ(gap->text, "Link lost");
    EXPECT_LT(gap->timeMs, stoppedAt + 200);
    EXPECT_GT(gap->timeMs, (gap - 1)->timeMs);
}
