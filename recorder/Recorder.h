#pragma once

#include "ChangeFilter.h"
#include "HistoryStoreWriter.h"
#include "RecorderTopics.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class LinkBox;

// Records every change of its topics through the program's link layer, as a viewer's value boxes see them:
// the values, a gap while the link to the server is lost, "Server error" values with their text. Topics
// whose link cannot be opened yet (no server) are tried again every second.
class Recorder : public QObject {
    Q_OBJECT
public:
    Recorder(const std::vector<RecordedTopic>& topics, history::HistoryStoreWriter& writer,
             QObject* parent = nullptr);
    // Records a "Recorder stopped" gap for every topic and lets the links go.
    ~Recorder() override;

    // Links every topic; a missing server is started.
    void start();
    int linkedCount() const;

    static constexpr int RetryMs = 1000;
    static constexpr int TickMs = 100;

private:
    struct Series;
    void link(Series& s);
    void linkWaiting();
    void changed(Series& s);
    void linkStateChanged(bool lost);
    void holdGap(Series& s, const QString& reason, std::int64_t atMs);
    static std::int64_t lastHeardMs(const Series& s);
    void tick();
    void store(Series& s, const std::vector<history::Sample>& samples);

    history::HistoryStoreWriter& m_writer;
    std::vector<std::unique_ptr<Series>> m_series;
    QTimer m_retry;
    QTimer m_tick;
    bool m_serverStarted = false;
};
