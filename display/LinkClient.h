#pragma once

#include "LinkBackend.h"
#include "LinkProtocol.h"
#include "RunError.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <deque>

class LinkBox;
class QLocalSocket;

// The program's one connection to the stand-in communication server over a local socket; it carries the
// links of every LinkBox.
// Requests wait for their own answer (matched by id) in a local event loop, at most the given time, so
// window events keep running meanwhile; an answer that comes after its wait gave up is dropped.
class LinkClient : public QObject, public LinkBackend {
    Q_OBJECT
public:
    // Created on first use, owned by the application object.
    static LinkClient& instance();
    // The instance if one exists; never creates one (for destructors at shutdown).
    static LinkClient* existing();

    Result<QString> advise(LinkBox* box, const QString& topic, const QString& item, int timeoutMs) override;
    // Never waits.
    void unadvise(LinkBox* box, const QString& topic, const QString& item) override;
    // Returns the value as the server stored it.
    Result<QString> poke(const QString& topic, const QString& item, const QString& value,
                         int timeoutMs) override;
    Status reconnect(int timeoutMs) override;

    bool isConnected() const;
    // Closes the connection on purpose; every box loses its link and keeps its text, and nothing is
    // brought back.
    void disconnectFromServer();
    // Boxes currently linked.
    int linkCount() const;

Q_SIGNALS:
    // The server went away; the boxes' links are gone.
    void connectionLost();

private:
    explicit LinkClient(QObject* parent);
    ~LinkClient() override;

    struct Pending;
    Status ensureConnected(int timeoutMs);
    Result<QStringList> request(const QStringList& fields, int timeoutMs);
    void receive();
    void dispatch(const QStringList& fields);
    void flushDeferred();
    void deliver(const QStringList& data);
    void settle(const QString& key);
    // The server went away: its boxes wait for the link to come back.
    void lost();
    // Forgets the connection and hands back the boxes that were linked over it.
    QHash<QString, QList<QPointer<LinkBox>>> closeSocket();

    static QString keyOf(const QString& topic, const QString& item)
    {
        return topic + QLatin1Char('\t') + item;
    }

    QLocalSocket* m_socket = nullptr;
    LinkProtocol::LineBuffer m_buffer;
    quint64 m_nextId = 1;
    QHash<quint64, Pending*> m_pending;
    int m_waiting = 0;
    bool m_receiveQueued = false;
    // Pushes that came while a request waited; handed out in order once no request waits.
    std::deque<QStringList> m_deferred;
    // Link key ("topic\titem") -> boxes linked to it.
    QHash<QString, QList<QPointer<LinkBox>>> m_links;
    // Advise requests sent and not yet answered, those given up on included, per link key.
    QHash<QString, int> m_inFlight;
    // Given-up advise requests whose late answer must still be balanced.
    QHash<quint64, QString> m_abandoned;
    // Keys the server holds a link for on this connection.
    QSet<QString> m_held;
};
