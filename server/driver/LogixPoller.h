#pragma once

#include "FragmentedRead.h"
#include "LogixTag.h"
#include "TopicPoller.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>

#include <utility>

// Logix tags: read many to a Multiple Service Packet where the controller takes it, neighbouring elements
// of an array in one read, replies too big for the connection in fragments; written with the type the
// controller reported, bits through read-modify-write.
class LogixPoller : public TopicPoller {
    Q_OBJECT
public:
    using TopicPoller::TopicPoller;

protected:
    QString prepare(const QString& key, const QString& item) override;
    void forget(const QString& key) override;
    void readItems(const QStringList& keys) override;
    void writeItem(const QString& key, const QString& value, const QDeadlineTimer& deadline,
                   WriteDone done) override;

private:
    // One Read Tag of a cycle: a lone item, or neighbouring elements of one array, each item with its
    // distance from the first element read.
    struct Read {
        FragmentedRead reply;
        QByteArray array; // empty for a lone item
        QByteArray type;  // as the controller last reported it; empty when not known yet
        QList<std::pair<QString, int>> members;
    };
    Read lone(const QString& key) const;
    QList<Read> plan(const QStringList& keys) const;
    void planArray(QList<Read>& reads, const QByteArray& array,
                   QList<std::pair<quint32, QString>> elements) const;
    QByteArray knownType(const QList<std::pair<quint32, QString>>& elements) const;
    qsizetype replySize(const Read& read) const;
    void sendRead(const Read& read);
    void sendBatch(const QList<Read>& reads);
    void batchAnswered(const QList<Read>& reads, const Result<QByteArray>& cip);
    void collect(Read read, const Result<Cip::Reply>& reply);
    void refused(const Read& read, const Cip::Reply& reply);
    void finish(const Read& read);
    void failed(const Read& read, const RunError& error);
    void settleAll(const Read& read, const QString& value);
    void writeTyped(const LogixTag::Ref& ref, const QByteArray& type, const QString& value,
                    const QDeadlineTimer& deadline, WriteDone done);

    QHash<QString, LogixTag::Ref> m_refs;
    QHash<QString, QByteArray> m_types; // as the controller last reported them
    QSet<QByteArray> m_singly;          // arrays whose range read failed, read element by element
    bool m_multiple = true;             // the controller takes Multiple Service Packets
};
