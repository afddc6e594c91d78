#include "Recorder.h"

#include "CntrlDDE.h"
#include "LinkBox.h"
#include "LinkProtocol.h"
#include "LinkRecovery.h"

#include <QDateTime>

#include <algorithm>
#include <cstdio>

namespace {

const QString LinkLostText = QStringLiteral("Link lost");

std::int64_t now() { return QDateTime::currentMSecsSinceEpoch(); }

}  // namespace

struct Recorder::Series {
    Series(const RecordedTopic& t) : topic(t), filter(t.deadband, t.minIntervalMs) {}
    RecordedTopic topic;
    ChangeFilter filter;
    LinkBox box;
    int index = 0;
    bool waiting = false;  // its link is to be opened again
};

Recorder::Recorder(const std::vector<RecordedTopic>& topics, history::HistoryStoreWriter& writer, QObject* parent)
    : QObject(parent), m_writer(writer)
{
    for (const RecordedTopic& t : topics) {
        QString application, topic;
        if (!LinkProtocol::splitLinkTopic(t.linkTopic, &application, &topic) ||
            application.compare(QLatin1String(LinkProtocol::ApplicationName), Qt::CaseInsensitive) != 0) {
            std::fprintf(stderr, "HistoryRecorder: %s %s is no topic of %s; not recorded\n", qPrintable(t.linkTopic),
                         qPrintable(t.item), LinkProtocol::ApplicationName);
            continue;
        }
        auto s = std::make_unique<Series>(t);
        s->box.LinkTopic = t.linkTopic;
        s->box.LinkItem = t.item;
        s->index = writer.addSeries({topic.toStdString(), t.item.toStdString()});
        Series* raw = s.get();
        connect(&s->box, &LinkBox::Change, this, [this, raw] { changed(*raw); });
        m_series.push_back(std::move(s));
    }
    m_retry.setInterval(RetryMs);
    connect(&m_retry, &QTimer::timeout, this, &Recorder::linkWaiting);
    m_tick.setInterval(TickMs);
    connect(&m_tick, &QTimer::timeout, this, &Recorder::tick);
    connect(&LinkRecovery::instance(), &LinkRecovery::linkStateChanged, this, &Recorder::linkStateChanged);
}

Recorder::~Recorder()
{
    const std::int64_t t = now();
    for (auto& s : m_series) {
        s->box.disconnect(this);
        store(*s, s->filter.offer(gapSample(QStringLiteral("Recorder stopped"), t)));
        (void)s->box.setLinkMode(0);
    }
}

void Recorder::start()
{
    for (auto& s : m_series)
        link(*s);
    m_tick.start();
}

int Recorder::linkedCount() const
{
    int n = 0;
    for (const auto& s : m_series)
        n += s->box.LinkMode() == 1 && !s->box.isStale();
    return n;
}

void Recorder::link(Series& s)
{
    const Status linked = s.box.setLinkMode(1);
    s.waiting = !linked;
    if (linked) {
        // The first value may equal the box's empty text and change nothing.
        changed(s);
        return;
    }
    holdGap(s, LinkLostText, now());
    if (linked.error().number == ErrNo::NoForeignApplication && !std::exchange(m_serverStarted, true))
        if (const Status started = CntrlDDE::Load_RSLinx(); !started)
            std::fprintf(stderr, "HistoryRecorder: %s\n", qPrintable(started.error().text()));
    m_retry.start();
}

void Recorder::linkWaiting()
{
    bool waiting = false;
    for (auto& s : m_series) {
        if (s->waiting)
            link(*s);
        waiting = waiting || s->waiting;
    }
    if (!waiting)
        m_retry.stop();
}

void Recorder::changed(Series& s)
{
    // A lost link keeps its last text; what the box shows then is no current value.
    if (s.box.LinkMode() == 0 || s.box.isStale())
        return;
    store(s, s.filter.offer(sampleOfText(s.box.Text(), now())));
}

void Recorder::holdGap(Series& s, const QString& reason, std::int64_t atMs)
{
    if (s.filter.quality() != history::Quality::LinkLost)
        store(s, s.filter.offer(gapSample(reason, atMs)));
}

// A lost link's gap starts when the server was last heard from, not when its silence was noticed: the last
// seconds of a hung server held no current values.
std::int64_t Recorder::lastHeardMs(const Series& s)
{
    const std::int64_t t = now();
    const QDateTime& heard = s.box.lastValueAt();
    if (!heard.isValid())
        return t;
    return std::max(std::min<std::int64_t>(heard.toMSecsSinceEpoch(), t), s.filter.latestMs() + 1);
}

void Recorder::linkStateChanged(bool lost)
{
    for (auto& s : m_series) {
        if (lost)
            holdGap(*s, LinkLostText, lastHeardMs(*s));
        else
            changed(*s);
    }
}

void Recorder::tick()
{
    const std::int64_t t = now();
    for (auto& s : m_series)
        if (const auto held = s->filter.due(t))
            m_writer.record(s->index, *held);
}

void Recorder::store(Series& s, const std::vector<history::Sample>& samples)
{
    for (const history::Sample& sample : samples)
        m_writer.record(s.index, sample);
}
