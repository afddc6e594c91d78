#pragma once

#include "DdeLinkCore.h"
#include "LinkBackend.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

// The link backend of Windows builds: the boxes' links go over DDE to the real communication server,
// through the toolkit-free DDE client core. Each linked box holds one count of its item's link.
class DdeLinkBackend : public QObject, public LinkBackend {
    Q_OBJECT
public:
    // Created on first use, owned by the application object.
    static DdeLinkBackend& instance();
    static DdeLinkBackend* existing();

    Result<QString> advise(LinkBox* box, const QString& topic, const QString& item, int timeoutMs) override;
    void unadvise(LinkBox* box, const QString& topic, const QString& item) override;
    // DDE gives no stored value back; the value sent is returned.
    Result<QString> poke(const QString& topic, const QString& item, const QString& value,
                         int timeoutMs) override;
    // Every link opens its own conversation: relinking the boxes is the attempt.
    Status reconnect(int) override { return {}; }

    // Boxes currently linked.
    int linkCount() const;

private:
    explicit DdeLinkBackend(QObject* parent);
    ~DdeLinkBackend() override;

    void received(const std::string& topic, const std::string& item, const std::string& value);
    void lost(const std::string& topic, const std::string& item);

    // DDE names compare without regard to case.
    static QString keyOf(const QString& topic, const QString& item)
    {
        return topic.toLower() + QLatin1Char('\t') + item.toLower();
    }

    dde::DdeLinkCore m_core;
    QHash<QString, QList<QPointer<LinkBox>>> m_links;
};
