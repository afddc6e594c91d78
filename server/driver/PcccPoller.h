#pragma once

#include "Pccc.h"
#include "TopicPoller.h"

#include <QHash>

// Data-table addresses of SLC 500, MicroLogix and PLC-5 topics, in the command dialect of the topic's
// controller: neighbouring elements of one file read together, bits written without their neighbours.
class PcccPoller : public TopicPoller {
    Q_OBJECT
public:
    PcccPoller(const TopicConfig& config, ValueStore& store, QObject* parent = nullptr);

    // Bytes one read may ask for.
    static constexpr int MaxReadBytes = 236;

protected:
    QString prepare(const QString& key, const QString& item) override;
    void forget(const QString& key) override;
    void readItems(const QStringList& keys) override;
    void writeItem(const QString& key, const QString& value, const QDeadlineTimer& deadline,
                   WriteDone done) override;

private:
    void readRun(const QStringList& keys);
    void answered(const QStringList& keys, int firstElement, quint16 tns, const Result<QByteArray>& cip);

    const Pccc::Dialect m_dialect;
    QHash<QString, Pccc::Address> m_addresses;
    quint16 m_tns = 0;
};
