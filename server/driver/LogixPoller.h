#pragma once

#include "ControllerLink.h"
#include "LogixTag.h"
#include "TopicConfig.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class ValueStore;

// Keeps a Logix topic's linked items current: polls them at the topic's interval, many to a request,
// writes pokes with the type the controller reported, and shows a lost controller on every link.
class LogixPoller : public QObject {
    Q_OBJECT
public:
    using ReadDone = std::function<void(const QString& value)>;
    using WriteDone = std::function<void(bool ok, const QString& valueOrError)>;

    LogixPoller(const TopicConfig& config, ValueStore& store, QObject* parent = nullptr);

    // `key` is the value store's key of the item, `item` its spelling.
    void link(const QString& key, const QString& item);
    void unlink(const QString& key);
    // The item's current value: at once when known, else after the next read.
    void read(const QString& key, const QString& item, ReadDone done);
    void write(const QString& key, const QString& item, const QString& value, WriteDone done);

    // One poll cycle; the timer calls it.
    void poll();

    struct Stats {
        qint64 cycles = 0;
        qint64 requests = 0; // round trips
        qint64 values = 0;   // item values read
    };
    const Stats& stats() const { return m_stats; }
    ControllerLink& controller() { return m_link; }

private:
    struct Item {
        QString spelling;
        Result<LogixTag::Ref> ref = RunError();
        QByteArray type; // as the controller last reported it
        int linked = 0;
        bool known = false;
        QString value;
        QList<ReadDone> waiting;
    };
    Item& itemFor(const QString& key, const QString& spelling);
    void sendBatch(const QStringList& keys);
    void sendSingle(const QString& key);
    void batchAnswered(const QStringList& keys, const Result<QByteArray>& cip);
    void apply(const QString& key, const Result<Cip::Reply>& reply);
    void settle(const QString& key, const QString& value);
    void requestDone();
    void writeTyped(const QString& key, const QString& value, WriteDone done);
    void linkDown(const QString& why);
    QString serverError(const QString& why) const;

    TopicConfig m_config;
    ValueStore& m_store;
    ControllerLink m_link;
    QTimer m_timer;
    QHash<QString, Item> m_items;
    bool m_multiple = true; // the controller takes Multiple Service Packets
    int m_outstanding = 0;  // requests of the running cycle
    Stats m_stats;
};
