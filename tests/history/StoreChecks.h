#pragma once

#include "HistoryStore.h"
#include "Summary.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

// Checks both drivers pass alike: what goes in comes out, in time order, with the value holding at the left
// edge of a range.
inline void checkRoundTrip(const history::StoreConfig& config)
{
    using history::Quality;
    using history::Sample;
    auto opened = history::HistoryStore::open(config);
    ASSERT_TRUE(opened.ok()) << opened.error().description.toStdString();
    auto store = std::move(opened).value();
    const history::SeriesKey level{"Line1", "Tank_Level"}, other{"line1", "Tank_Level"};
    const auto id = store->seriesId(level);
    ASSERT_TRUE(id.ok()) << id.error().description.toStdString();
    EXPECT_EQ(store->seriesId(level).value(), *id);
    EXPECT_NE(store->seriesId(other).value(), *id);

    Sample number{1000, Quality::Good, true, 12.5, {}};
    Sample text{2000, Quality::Good, false, 0, "Stopped 'x\\' \xc3\xa4"};
    Sample lost{3000, Quality::LinkLost, false, 0, "Link lost"};
    Sample error{4000, Quality::ServerError, false, 0, "Server error: no such tag"};
    Sample negative{5000, Quality::Good, true, -0.30000000000000004, {}};
    ASSERT_TRUE(store->append({{*id, number}, {*id, text}, {*id, lost}, {*id, error}, {*id, negative}}).ok());
    EXPECT_EQ(store->lastSample(*id).value()->number, negative.number);

    const auto same = [](const Sample& a, const Sample& b) {
        return a.timeMs == b.timeMs && a.quality == b.quality && a.isNumber == b.isNumber && a.number == b.number &&
               a.text == b.text;
    };
    const std::vector<Sample> all = store->samples(level, 0, 10000);
    ASSERT_EQ(all.size(), 5u) << store->lastError().toStdString();
    for (std::size_t i = 0; i < all.size(); ++i)
        EXPECT_TRUE(same(all[i], std::vector<Sample>{number, text, lost, error, negative}[i])) << i;

    // The value holding at 2500 comes first; the end is inclusive.
    const std::vector<Sample> middle = store->samples(level, 2500, 4000);
    ASSERT_EQ(middle.size(), 3u);
    EXPECT_TRUE(same(middle[0], text));
    EXPECT_TRUE(same(middle[2], error));
    EXPECT_TRUE(store->samples({"Line9", "N7:0"}, 0, 10000).empty());

    // Until when a recorder vouched for the series: its last word.
    EXPECT_EQ(store->recordedUntil(level), std::nullopt);
    ASSERT_TRUE(store->markRecorded({*id}, 7000).ok());
    ASSERT_TRUE(store->markRecorded({*id}, 8000).ok());
    EXPECT_EQ(store->recordedUntil(level), std::optional<std::int64_t>(8000));

    // A failed batch leaves nothing behind: the duplicate time refuses the whole transaction.
    EXPECT_FALSE(store->append({{*id, Sample{6000, Quality::Good, true, 1, {}}}, {*id, number}}).ok());
    EXPECT_EQ(store->samples(level, 0, 10000).size(), 5u);

    // Retention in slices: each call deletes at most one slice of each series.
    auto more = store->deleteSlice(4500, 2000);
    ASSERT_TRUE(more.ok());
    EXPECT_TRUE(*more);
    EXPECT_EQ(store->samples(level, 0, 10000).front().timeMs, 3000);
    more = store->deleteSlice(4500, 2000);
    ASSERT_TRUE(more.ok());
    EXPECT_FALSE(*more);
    EXPECT_EQ(store->samples(level, 0, 10000).size(), 1u);

    // A summary from the database is the one the trend core makes of every sample.
    std::vector<history::HistoryStore::Row> run;
    for (int i = 0; i < 300; ++i)
        run.push_back({*id, i % 50 == 7 ? Sample{20001 + i * 7, Quality::ServerError, false, 0, "Server error: x"}
                                        : Sample{20001 + i * 7, Quality::Good, true, double((i * 37) % 101), {}}});
    // Then texts between the numbers, more than a query names.
    for (int i = 0; i < 150; ++i)
        run.push_back({*id, i % 2 ? Sample{30001 + i * 5, Quality::Good, false, 0, "Stopped"}
                                  : Sample{30001 + i * 5, Quality::Good, true, double(i % 7), {}}});
    ASSERT_TRUE(store->append(run).ok());
    // With errors splitting buckets, a stretch without any, and one split at every other sample.
    for (const auto& [from, to] :
         {std::pair<std::int64_t, std::int64_t>{20500, 22000}, {20060, 20340}, {30000, 30800}}) {
        const std::vector<Sample> summary = store->summary(level, from, to, 60);
        const std::vector<Sample> expected = history::trend::summarise(store->samples(level, from, to), from, 60);
        ASSERT_EQ(summary.size(), expected.size()) << store->lastError().toStdString();
        for (std::size_t i = 0; i < summary.size(); ++i)
            EXPECT_TRUE(same(summary[i], expected[i])) << i;
        if (from != 30000) {
            EXPECT_LT(summary.size(), store->samples(level, from, to).size() * 3 / 4);
        }
    }
}
