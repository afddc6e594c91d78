#include "HistoryStoreWriter.h"

#include "HistoryStore.h"

#include <QDateTime>

#include <algorithm>
#include <chrono>

namespace history {

namespace {

constexpr std::int64_t DayMs = 24LL * 3600 * 1000;
constexpr std::int64_t HourMs = 3600LL * 1000;

}  // namespace

HistoryStoreWriter::HistoryStoreWriter(Options options) : m_options(std::move(options))
{
    if (!m_options.nowMs)
        m_options.nowMs = [] { return QDateTime::currentMSecsSinceEpoch(); };
    if (!m_options.report)
        m_options.report = [](const QString&) {};
    m_thread = std::thread([this] { run(); });
}

HistoryStoreWriter::~HistoryStoreWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

int HistoryStoreWriter::addSeries(const SeriesKey& key)
{
    std::lock_guard lock(m_mutex);
    m_keys.push_back(key);
    return static_cast<int>(m_keys.size()) - 1;
}

void HistoryStoreWriter::record(int series, const Sample& sample)
{
    std::lock_guard lock(m_mutex);
    m_pending.push_back({series, sample});
    ++m_recorded;
}

void HistoryStoreWriter::flush()
{
    std::unique_lock lock(m_mutex);
    const std::uint64_t wanted = m_recorded;
    const std::uint64_t cycle = m_cycles;
    m_flushWanted = true;
    m_wake.notify_all();
    m_flushed.wait(lock, [&] { return (m_written >= wanted && m_cycles > cycle) || m_stop; });
}

std::uint64_t HistoryStoreWriter::committedCount() const
{
    std::lock_guard lock(m_mutex);
    return m_committed;
}

std::uint64_t HistoryStoreWriter::droppedCount() const
{
    std::lock_guard lock(m_mutex);
    return m_dropped;
}

void HistoryStoreWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait_for(lock, std::chrono::milliseconds(m_options.batchMs),
                        [this] { return m_stop || m_flushWanted; });
        const bool stopping = m_stop;
        const std::uint64_t upTo = m_recorded;
        const std::int64_t takenAt = m_options.nowMs();
        m_flushWanted = false;
        std::vector<HistoryStore::Row> batch;
        batch.reserve(m_pending.size());
        for (Queued& q : m_pending)
            batch.push_back({q.series, std::move(q.sample)});
        m_pending.clear();
        lock.unlock();
        const bool written = batch.empty() || writeBatch(batch);
        if (written)
            markRecorded(takenAt);
        lock.lock();
        if (written)
            m_committed += batch.size();
        else
            keepForRetry(batch, lock);
        const std::uint64_t committed = m_committed;
        const std::size_t waiting = m_pending.size();
        lock.unlock();
        if (written && !batch.empty() && m_options.committed)
            m_options.committed(committed);
        if (stopping) {
            if (waiting > 0)
                m_options.report(QStringLiteral("History: %1 samples could not be written before stopping").arg(waiting));
            break;
        }
        trimRetention();
        lock.lock();
        m_written = upTo;
        ++m_cycles;
        m_flushed.notify_all();
    }
    m_store.reset();
    lock.lock();
    m_written = m_recorded;
    m_flushed.notify_all();
}

// A batch that failed waits for the next try, before what came meanwhile; the oldest go beyond the bound.
void HistoryStoreWriter::keepForRetry(std::vector<HistoryStore::Row>& batch, std::unique_lock<std::mutex>& lock)
{
    for (auto it = batch.rbegin(); it != batch.rend(); ++it)
        m_pending.push_front({it->series, std::move(it->sample)});
    if (m_pending.size() <= m_options.maxPending)
        return;
    const std::size_t over = m_pending.size() - m_options.maxPending;
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(over));
    m_dropped += over;
    lock.unlock();
    m_options.report(
        QStringLiteral("History: %1 oldest samples dropped, more than %2 were waiting").arg(over).arg(m_options.maxPending));
    lock.lock();
}

bool HistoryStoreWriter::ensureOpen()
{
    if (m_store)
        return true;
    auto opened = HistoryStore::open(m_options.config);
    if (!opened) {
        fail(opened.error().description);
        return false;
    }
    m_store = std::move(opened).value();
    std::fill(m_ids.begin(), m_ids.end(), 0);
    return true;
}

// Gives the rows their database ids and keeps each series' times rising; false when the database failed.
bool HistoryStoreWriter::prepareRows(std::vector<HistoryStore::Row>& rows, std::vector<std::int64_t>& lastTimes)
{
    std::vector<HistoryStore::Row> gaps;
    for (HistoryStore::Row& row : rows) {
        const auto index = static_cast<std::size_t>(row.series);
        if (index >= m_ids.size()) {
            m_ids.resize(index + 1, 0);
            m_lastTimes.resize(index + 1, INT64_MIN);
            lastTimes.resize(index + 1, INT64_MIN);
        }
        if (m_ids[index] == 0) {
            SeriesKey key;
            {
                std::lock_guard lock(m_mutex);
                key = m_keys.at(index);
            }
            const auto id = m_store->seriesId(key);
            const auto last = id ? m_store->lastSample(*id) : Result<std::optional<Sample>>(id.error());
            if (!last) {
                fail(last.error().description);
                return false;
            }
            m_ids[index] = *id;
            // Only before this writer's first sample of the series: after a reconnect the stretch since the
            // last batch was recorded here, held in memory.
            const bool firstHere = m_lastTimes[index] == INT64_MIN;
            if (*last) {
                lastTimes[index] = std::max(lastTimes[index], (*last)->timeMs);
                if (const auto gap = firstHere ? unrecordedGap(key, **last, row.sample.timeMs) : std::nullopt) {
                    gaps.push_back({*id, *gap});
                    lastTimes[index] = gap->timeMs;
                }
            }
        }
        row.series = m_ids[index];
        std::int64_t& t = row.sample.timeMs;
        t = std::max(t, lastTimes[index] + 1);
        lastTimes[index] = t;
    }
    rows.insert(rows.end(), gaps.begin(), gaps.end());
    return true;
}

// A recorder that died left its series' last good value holding: the stretch from when it last vouched for
// it (or its last sample) to this recorder's first value is a gap. Not where the series was vouched for a
// moment ago: another station records it, or this one restarted at once.
std::optional<Sample> HistoryStoreWriter::unrecordedGap(const SeriesKey& key, const Sample& last, std::int64_t nextMs)
{
    if (last.quality != Quality::Good)
        return std::nullopt;
    const std::optional<std::int64_t> vouched = m_store->recordedUntil(key);
    if (vouched && *vouched + RecorderSilentAfterMs >= m_options.nowMs())
        return std::nullopt;
    const std::int64_t from = std::max(last.timeMs + 1, vouched.value_or(0));
    if (from >= nextMs)
        return std::nullopt;
    return Sample{from, Quality::LinkLost, false, 0, NotRecordedText};
}

bool HistoryStoreWriter::writeBatch(const std::vector<HistoryStore::Row>& batch)
{
    if (!ensureOpen())
        return false;
    std::vector<std::int64_t> lastTimes = m_lastTimes;
    std::vector<HistoryStore::Row> rows = batch;
    if (!prepareRows(rows, lastTimes)) {
        m_store.reset();
        return false;
    }
    if (const Status appended = m_store->append(rows); !appended) {
        fail(appended.error().description);
        // Opened again next time: a server that went away, a file that was replaced.
        m_store.reset();
        return false;
    }
    m_lastTimes = std::move(lastTimes);
    if (m_failing) {
        m_failing = false;
        m_lastFailure.clear();
        m_options.report(QStringLiteral("History database %1: written again").arg(m_options.config.describe()));
    }
    return true;
}

// What came in before takenAtMs is stored: readers may take the series' last values as holding until then,
// and a trend shows a recorder that died as such rather than its last values as current.
void HistoryStoreWriter::markRecorded(std::int64_t takenAtMs)
{
    std::vector<int> ids;
    for (int id : m_ids)
        if (id != 0)
            ids.push_back(id);
    if (!m_store || ids.empty())
        return;
    if (const Status marked = m_store->markRecorded(ids, takenAtMs); !marked)
        fail(marked.error().description);
}

void HistoryStoreWriter::trimRetention()
{
    if (m_options.retentionDays <= 0 || m_failing || !m_store)
        return;
    const std::int64_t now = m_options.nowMs();
    if (now < m_nextTrimMs)
        return;
    const auto more = m_store->deleteSlice(now - m_options.retentionDays * DayMs, HourMs);
    if (!more) {
        m_options.report(more.error().description);
        m_nextTrimMs = now + HourMs;
        return;
    }
    // Slices go on with the next cycles until nothing old is left; then once an hour.
    m_nextTrimMs = *more ? now : now + HourMs;
}

void HistoryStoreWriter::fail(const QString& text)
{
    if (m_failing && text == m_lastFailure)
        return;
    m_failing = true;
    m_lastFailure = text;
    m_options.report(text + QStringLiteral("; kept in memory and tried again"));
}

}  // namespace history
