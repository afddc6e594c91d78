// History: the recorder against 20,000 value changes per second from CommServer (lost changes, CPU),
// bytes per stored sample, reading 4 pens x 24 h at 1 Hz from SQLite and PostgreSQL whole and as a trend
// draws them, and the recorder's write path against a bare batched insert of the same rows.
#include "BenchServer.h"
#include "ProcessStats.h"
#include "HistoryStore.h"
#include "HistoryStoreWriter.h"
#include "TrendModel.h"
#include "TrendPlot.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>

using history::HistoryStore;
using history::Sample;
using history::SeriesKey;

namespace {

constexpr int Pens = 4;
constexpr int DaySeconds = 24 * 3600;
constexpr std::int64_t Start = 1'765'000'000'000;

// 4 pens, one fractional value a second each for a day, in batches of one second as the recorder writes them.
std::vector<std::vector<HistoryStore::Row>> dayOfPens(const std::vector<int>& ids)
{
    std::vector<std::vector<HistoryStore::Row>> batches(DaySeconds);
    for (int s = 0; s < DaySeconds; ++s)
        for (int p = 0; p < Pens; ++p)
            batches[s].push_back({ids[p], Sample{Start + s * 1000LL + p * 7, history::Quality::Good, true,
                                                 50 + 40 * std::sin(s / 300.0 + p) + p / 3.0, {}}});
    return batches;
}

std::vector<int> penIds(HistoryStore& store)
{
    std::vector<int> ids;
    for (int p = 0; p < Pens; ++p)
        ids.push_back(store.seriesId({"Line1", "Pen" + std::to_string(p)}).value());
    return ids;
}

// A trend window's work without the window: the store's pens read, decimated and drawn into an image the
// size of a large window.
struct TrendRun {
    TrendModel model;
    QImage image{1600, 700, QImage::Format_ARGB32_Premultiplied};

    TrendRun(std::unique_ptr<HistoryStore> store, std::int64_t nowMs, int pens)
        : model(std::move(store), [nowMs] { return nowMs; })
    {
        for (int p = 0; p < pens; ++p)
            model.addPen({QStringLiteral("Line1"), QStringLiteral("Pen%1").arg(p), QString()});
        model.setPlotColumns(
            TrendPlot::plotArea(image.rect(), QFontMetrics(QGuiApplication::font()), pens, false).width());
    }
    // Shows the span ending now; returns the samples held for it.
    std::size_t show(std::int64_t spanMs)
    {
        model.showSpan(spanMs);
        image.fill(Qt::white);
        QPainter painter(&image);
        TrendPlot::draw(painter, image.rect(), model, {});
        std::size_t held = 0;
        for (const TrendPen& pen : model.pens())
            held += pen.samples.size();
        return held;
    }
};

// What a trend window does with a day of the 4 pens, best of three.
void trendDay(const char* name, const history::StoreConfig& config)
{
    auto reader = HistoryStore::open(config);
    if (!reader)
        return;
    TrendRun run(std::move(reader).value(), Start + DaySeconds * 1000LL, Pens);
    double best = 1e9;
    std::size_t held = 0;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer timer;
        timer.start();
        held = run.show(DaySeconds * 1000LL);
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("%s: the same day as a trend of %dx%d: queried (a summary of %zu samples), decimated and drawn in "
                "%.1f ms\n",
                name, run.image.width(), run.image.height(), held, best);
}

void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// A week of 8 pens at 1 Hz in SQLite as a trend shows it: the time and the memory it takes.
void trendWeek(const QString& folder)
{
    constexpr int WeekPens = 8, WeekSeconds = 7 * DaySeconds;
    history::StoreConfig config;
    config.path = folder + QStringLiteral("/week.db");
    auto store = HistoryStore::open(config).value();
    std::vector<int> ids;
    for (int p = 0; p < WeekPens; ++p)
        ids.push_back(store->seriesId({"Line1", "Pen" + std::to_string(p)}).value());
    std::vector<HistoryStore::Row> hour;
    for (int s = 0; s < WeekSeconds; ++s) {
        for (int p = 0; p < WeekPens; ++p)
            hour.push_back({ids[size_t(p)], Sample{Start + s * 1000LL + p * 7, history::Quality::Good, true,
                                                   50 + 40 * std::sin(s / 3000.0 + p) + s % 7, {}}});
        if ((s + 1) % 3600 == 0) {
            (void)store->append(hour);
            hour.clear();
        }
    }
    store.reset();
    TrendRun run(HistoryStore::open(config).value(), Start + WeekSeconds * 1000LL, WeekPens);
    const long before = ProcessStats::statusKb(0, "VmRSS:");
    resetPeak();
    QElapsedTimer timer;
    timer.start();
    const std::size_t held = run.show(WeekSeconds * 1000LL);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    std::printf("SQLite: a week of 8 pens at 1 Hz (%d samples) as a trend: %.0f ms, %zu samples held, %.1f MB more "
                "at the peak\n",
                WeekPens * WeekSeconds, ms, held, double(ProcessStats::statusKb(0, "VmHWM:") - before) / 1024);
}

// Fills a store with a day of 4 pens and reads it back whole, best of three.
void queryDay(const char* name, const history::StoreConfig& config)
{
    auto opened = HistoryStore::open(config);
    if (!opened) {
        std::printf("%s: %s\n", name, qPrintable(opened.error().description));
        return;
    }
    auto store = std::move(opened).value();
    const auto batches = dayOfPens(penIds(*store));
    QElapsedTimer timer;
    timer.start();
    std::vector<HistoryStore::Row> hour;
    for (int s = 0; s < DaySeconds; ++s) {
        hour.insert(hour.end(), batches[s].begin(), batches[s].end());
        // A bench day goes in hour by hour; the recorder's batches are one second.
        if ((s + 1) % 3600 == 0) {
            (void)store->append(hour);
            hour.clear();
        }
    }
    const double fillMs = double(timer.elapsed());
    double best = 1e9;
    std::size_t rows = 0;
    for (int round = 0; round < 3; ++round) {
        timer.restart();
        rows = 0;
        for (int p = 0; p < Pens; ++p)
            rows += store->samples({"Line1", "Pen" + std::to_string(p)}, Start, Start + DaySeconds * 1000LL).size();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("%s: 4 pens x 24 h at 1 Hz (%zu samples) read whole in %.1f ms (filled in %.1f s); %.1f bytes per "
                "sample\n",
                name, rows, best, fillMs / 1000, double(store->sizeBytes().value()) / double(rows));
    trendDay(name, config);
}

// The recorder's write path (queue, thread, a transaction per cycle) against bare batched inserts of the
// same rows: 200 series, 20,000 changes a second for 10 s, a transaction per second. Each path writes series
// of its own, so both may share one database.
void writePaths(const char* name, const history::StoreConfig& bareConfig, const history::StoreConfig& writerConfig)
{
    const int series = 200, perSecond = 20000, seconds = 10;
    auto opened = HistoryStore::open(bareConfig);
    if (!opened) {
        std::printf("%s: %s\n", name, qPrintable(opened.error().description));
        return;
    }
    auto store = std::move(opened).value();
    std::vector<int> ids;
    for (int i = 0; i < series; ++i)
        ids.push_back(store->seriesId({"Bare", "N7:" + std::to_string(i)}).value());
    std::vector<std::vector<HistoryStore::Row>> batches(seconds);
    for (int s = 0; s < seconds; ++s)
        for (int i = 0; i < perSecond; ++i)
            batches[s].push_back({ids[size_t(i % series)],
                                  Sample{Start + s * 1000LL + i / series * 10, history::Quality::Good, true,
                                         double(s * perSecond + i), {}}});
    QElapsedTimer timer;
    timer.start();
    for (const auto& batch : batches)
        (void)store->append(batch);
    const double bareRate = seconds * perSecond / (double(timer.nsecsElapsed()) / 1e9);

    history::HistoryStoreWriter::Options options;
    options.config = writerConfig;
    history::HistoryStoreWriter writer(options);
    for (int i = 0; i < series; ++i)
        writer.addSeries({"Writer", "N7:" + std::to_string(i)});
    // Opening the database and making the series' tables come once, before the rate is taken.
    for (int i = 0; i < series; ++i)
        writer.record(i, Sample{Start - 1000, history::Quality::Good, true, 0, {}});
    writer.flush();
    timer.restart();
    for (const auto& batch : batches)
        for (int i = 0; i < int(batch.size()); ++i)
            writer.record(i % series, batch[size_t(i)].sample);
    writer.flush();
    const double writerRate = seconds * perSecond / (double(timer.nsecsElapsed()) / 1e9);
    std::printf("%s write path: bare batched insert %.0f rows/s, recorder's writer %.0f rows/s, ratio %.2f\n", name,
                bareRate, writerRate, writerRate / bareRate);
}

// HistoryRecorder on 200 items each ramping every 10 ms: 20,000 changes a second for 10 s.
void recorderKeepsUp(const QString& folder)
{
    const int items = 200;
    QFile rules(folder + QStringLiteral("/rules.txt"));
    QFile list(folder + QStringLiteral("/topics.txt"));
    if (!rules.open(QIODevice::WriteOnly) || !list.open(QIODevice::WriteOnly))
        return;
    for (int i = 0; i < items; ++i) {
        rules.write(QStringLiteral("Fast\tN7:%1\tramp\t10\t0\t100000000\t\r\n").arg(i).toLatin1());
        list.write(QStringLiteral("RSLinx|Fast\tN7:%1\t\r\n").arg(i).toLatin1());
    }
    rules.close();
    list.close();
    BenchServer server(QStringLiteral("history"), {QStringLiteral("--rules"), rules.fileName()});
    if (!server.started())
        return;
    const QString db = folder + QStringLiteral("/recorded.db");
    QProcess recorder;
    recorder.start(QStringLiteral(HMI_BIN_DIR "/HistoryRecorder"), {QStringLiteral("--db"), db, list.fileName()});
    recorder.waitForStarted();
    QThread::msleep(1000);
    const double cpuBefore = ProcessStats::cpuSeconds(recorder.processId()), serverBefore = ProcessStats::cpuSeconds(server.processId());
    QElapsedTimer wall;
    wall.start();
    QThread::msleep(10000);
    const double cores = (ProcessStats::cpuSeconds(recorder.processId()) - cpuBefore) / (double(wall.elapsed()) / 1000);
    const double serverCores = (ProcessStats::cpuSeconds(server.processId()) - serverBefore) / (double(wall.elapsed()) / 1000);
    recorder.terminate();
    recorder.waitForFinished(10000);

    history::StoreConfig config;
    config.path = db;
    auto store = HistoryStore::open(config).value();
    std::size_t stored = 0, sent = 0, lost = 0;
    std::int64_t first = INT64_MAX, last = INT64_MIN;
    const auto keys = store->series();
    for (const SeriesKey& key : keys ? *keys : std::vector<SeriesKey>{}) {
        std::vector<Sample> good;
        for (const Sample& s : store->samples(key, INT64_MIN, INT64_MAX))
            if (s.isNumber)
                good.push_back(s);
        if (good.size() < 2)
            continue;
        first = std::min(first, good.front().timeMs);
        last = std::max(last, good.back().timeMs);
        stored += good.size();
        // A ramp steps by one: every missing step is a change the recorder did not store.
        sent += std::size_t(good.back().number - good.front().number) + 1;
        lost += std::size_t(good.back().number - good.front().number) + 1 - good.size();
    }
    const double seconds = double(last - first) / 1000;
    std::printf("recorder: %zu changes in %.1f s from CommServer (%.0f/s), %zu stored, %zu lost; recorder %.2f "
                "cores, server %.2f cores; %.1f bytes per stored sample\n",
                sent, seconds, double(sent) / seconds, stored, lost, cores, serverCores,
                double(store->sizeBytes().value()) / double(stored));
}

}  // namespace

int main(int argc, char** argv)
{
    // PostgreSQL: a throwaway cluster of pg_virtualenv's, in a temporary folder even as root; the bench runs
    // inside it.
    if (qEnvironmentVariableIsEmpty("PGPORT") && QFile::exists(QStringLiteral("/usr/bin/pg_virtualenv"))) {
        execl("/usr/bin/pg_virtualenv", "pg_virtualenv", "-t", argv[0], static_cast<char*>(nullptr));
        std::perror("pg_virtualenv");
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    recorderKeepsUp(dir.path());
    history::StoreConfig bare, writer, sqlite;
    bare.path = dir.filePath(QStringLiteral("bare.db"));
    writer.path = dir.filePath(QStringLiteral("writer.db"));
    writePaths("SQLite", bare, writer);
    sqlite.path = dir.filePath(QStringLiteral("day.db"));
    queryDay("SQLite", sqlite);
    trendWeek(dir.path());
    if (!qEnvironmentVariableIsEmpty("PGPORT")) {
        history::StoreConfig pg;
        pg.kind = history::StoreConfig::Kind::PostgreSQL;
        pg.host = qEnvironmentVariable("PGHOST");
        pg.port = qEnvironmentVariable("PGPORT").toInt();
        pg.database = qEnvironmentVariable("PGDATABASE");
        pg.user = qEnvironmentVariable("PGUSER");
        // The day first: its bytes per sample are measured over the whole database.
        queryDay("PostgreSQL", pg);
        writePaths("PostgreSQL", pg, pg);
    }
    return 0;
}
