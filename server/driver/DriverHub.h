#pragma once

#include "TopicConfig.h"
#include "TopicPoller.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <memory>

class ValueStore;

// The topics that controllers serve, and those the topics file refused, by name without regard to case;
// every other topic stays simulated.
class DriverHub : public QObject {
    Q_OBJECT
public:
    DriverHub(ValueStore& store, const QList<TopicConfig>& topics, QObject* parent = nullptr);
    ~DriverHub() override;

    // A topic a refused line of the topics file names: every item answers `why` and nothing is written.
    void refuse(const QString& topic, const QString& why);

    // Topics of controllers and refused topics: none of them is simulated.
    bool serves(const QString& topic) const;
    // First link of an item key and the end of its last one.
    void link(const QString& key, const QString& topic, const QString& item);
    void unlink(const QString& key);
    void read(const QString& topic, const QString& item, TopicPoller::ReadDone done);
    void write(const QString& topic, const QString& item, const QString& value, TopicPoller::WriteDone done);

private:
    TopicPoller* poller(const QString& topic) const;

    QHash<QString, TopicPoller*> m_pollers;
    QHash<QString, QString> m_refused;
};
