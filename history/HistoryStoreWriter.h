#pragma once

#include "HistorySample.h"
#include "HistoryStore.h"
#include "HistoryStoreConfig.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace history {

// Writes recorded samples from a thread of its own: whatever came in during about a second goes into one
// transaction, so a killed recorder loses at most that batch. While the database cannot be written, the
// samples wait in memory (up to a bound, the oldest dropped first) and the write is tried again each cycle;
// failures and recoveries are reported, once each. Old samples are deleted in slices between batches.
class HistoryStoreWriter {
public:
    struct Options {
        StoreConfig config;
        int batchMs = 1000;
        int retentionDays = 90;
        std::size_t maxPending = 2'000'000;
        // Where failures are told (the recorder: standard error).
        std::function<void(const QString&)> report;
        // After each committed batch: samples committed in all so far.
        std::function<void(std::uint64_t)> committed;
        // The clock retention measures age against; tests move it.
        std::function<std::int64_t()> nowMs;
    };

    explicit HistoryStoreWriter(Options options);
    // Writes what is still waiting, one last try, then stops.
    ~HistoryStoreWriter();
    HistoryStoreWriter(const HistoryStoreWriter&) = delete;
    HistoryStoreWriter& operator=(const HistoryStoreWriter&) = delete;

    // The index record() takes for key's series.
    int addSeries(const SeriesKey& key);
    // Queues a sample; times of one series must not go back (equal times are moved on by a millisecond).
    void record(int series, const Sample& sample);
    // Waits for a whole cycle (a write and a retention slice) that takes everything recorded so far, whether
    // the write succeeds or fails.
    void flush();

    std::uint64_t committedCount() const;
    std::uint64_t droppedCount() const;

private:
    struct Queued {
        int series;
        Sample sample;
    };
    void run();
    void keepForRetry(std::vector<HistoryStore::Row>& batch, std::unique_lock<std::mutex>& lock);
    bool ensureOpen();
    bool prepareRows(std::vector<HistoryStore::Row>& rows, std::vector<std::int64_t>& lastTimes);
    bool writeBatch(const std::vector<HistoryStore::Row>& batch);
    void markRecorded(std::int64_t takenAtMs);
    std::optional<Sample> unrecordedGap(const SeriesKey& key, const Sample& last, std::int64_t nextMs);
    void trimRetention();
    void fail(const QString& text);

    Options m_options;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_flushed;
    std::vector<SeriesKey> m_keys;
    std::deque<Queued> m_pending;
    std::uint64_t m_recorded = 0;
    std::uint64_t m_written = 0;  // recorded samples handled (committed or dropped), up to m_recorded
    std::uint64_t m_committed = 0;
    std::uint64_t m_dropped = 0;
    std::uint64_t m_cycles = 0;
    bool m_stop = false;
    bool m_flushWanted = false;

    // Writer thread only.
    std::unique_ptr<HistoryStore> m_store;
    std::vector<int> m_ids;                  // series index -> database id, 0 until known
    std::vector<std::int64_t> m_lastTimes;   // series index -> last stored time
    bool m_failing = false;
    QString m_lastFailure;
    std::int64_t m_nextTrimMs = 0;
    std::thread m_thread;
};

}  // namespace history
