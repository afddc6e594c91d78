#pragma once

#include "ControllerLink.h"
#include "TopicConfig.h"

#include <QHash>
#include <QList>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

class ValueStore;

// Keeps a controller topic's linked items current: polls them at the topic's interval, answers reads
// when the values come, and shows a lost controller on every link. The drivers say how items are read
// and written.
class TopicPoller : public QObject {
    Q_OBJECT
public:
    using ReadDone = std::function<void(const QString& value)>;
    using WriteDone = std::function<void(bool ok, const QString& valueOrError)>;

    TopicPoller(const TopicConfig& config, ValueStore& store, QObject* parent = nullptr);

    // `key` is the value store's key of the item, `item` its spelling.
    void link(const QString& key, const QString& item);
    void unlink(const QString& key);
    // The item's current value: at once when known, else as soon as it is read. Items asked for within
    // one turn of the event loop are read together, ahead of the poll.
    void read(const QString& key, const QString& item, ReadDone done);
    // Writes a poke; the poker hears first, then every link of the item. A poke not written within the
    // topic's time-out is answered as not written, and one beyond MaxWrites waiting is refused at once.
    void write(const QString& key, const QString& item, const QString& value, WriteDone done);
    static constexpr int MaxWrites = 32;

    // One poll cycle; the timer calls it.
    void poll();

    struct Stats {
        qint64 cycles = 0;
        qint64 requests = 0; // round trips of the cycles
        qint64 values = 0;   // item values read
    };
    const Stats& stats() const { return m_stats; }
    ControllerLink& controller() { return m_link; }

protected:
    // Why the driver cannot serve the item (empty when it can); asked once, when the item comes in.
    virtual QString prepare(const QString& key, const QString& item) = 0;
    virtual void forget(const QString& key) = 0;
    // Sends the reads of one cycle through send(); their values go to settle().
    virtual void readItems(const QStringList& keys) = 0;
    // Writes a value to an item the driver serves, on a controller that is there; its requests go
    // through the link's sendUrgent() with the deadline.
    virtual void writeItem(const QString& key, const QString& value, const QDeadlineTimer& deadline,
                           WriteDone done) = 0;

    // A read request: of the running cycle, or ahead of it for items read for the first time.
    void send(const QByteArray& cip, ControllerLink::Done done);
    // The item's new value (or its "Server error" text): to the waiting requests, then to the links.
    void settle(const QString& key, const QString& value);
    // A reply that makes no sense ends the connection; a transport failure is shown by linkDown.
    void dropUnlessTransport(const RunError& error);
    QString serverError(const QString& why) const;
    // A value written to a bit: any number, and any but 0 sets it.
    static Result<bool> bitOf(const QString& value);

    ControllerLink m_link;

private:
    struct Item {
        QString spelling;
        QString refused; // why the driver cannot serve it
        int linked = 0;
        bool known = false;
        QString value;
        QList<ReadDone> waiting;
    };
    Item& itemFor(const QString& key, const QString& spelling);
    void release(const QString& key);
    void readFresh();
    void requestDone();
    void linkDown(const QString& why);
    void linkIdle();

    TopicConfig m_config;
    ValueStore& m_store;
    QTimer m_timer;
    QTimer m_freshTimer; // zero time: the reads asked for in one turn of the event loop
    QStringList m_fresh;
    bool m_urgentReads = false; // send() goes ahead of the poll
    QHash<QString, Item> m_items;
    QElapsedTimer m_cycleStart;
    int m_outstanding = 0; // read requests sent and not answered
    int m_writes = 0;      // pokes not answered by the controller yet
    Stats m_stats;
};
