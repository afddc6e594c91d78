#pragma once

#include "LogixTag.h"
#include "TopicPoller.h"

#include <QByteArray>
#include <QHash>

// Logix tags: read many to a Multiple Service Packet where the controller takes it, written with the
// type the controller reported, bits through read-modify-write.
class LogixPoller : public TopicPoller {
    Q_OBJECT
public:
    using TopicPoller::TopicPoller;

protected:
    QString prepare(const QString& key, const QString& item) override;
    void forget(const QString& key) override;
    void readItems(const QStringList& keys) override;
    void writeItem(const QString& key, const QString& value, WriteDone done) override;

private:
    void sendSingle(const QString& key);
    void sendBatch(const QStringList& keys);
    void batchAnswered(const QStringList& keys, const Result<QByteArray>& cip);
    void apply(const QString& key, const Result<Cip::Reply>& reply);
    void writeTyped(const LogixTag::Ref& ref, const QByteArray& type, const QString& value, WriteDone done);

    QHash<QString, LogixTag::Ref> m_refs;
    QHash<QString, QByteArray> m_types; // as the controller last reported them
    bool m_multiple = true;             // the controller takes Multiple Service Packets
};
