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
class QTimer;

// The program's one connection to the stand-in communication server over a local socket; it carries the
// links of every LinkBox.
// Requests wait for their own answer (matched by id) in a local event loop, at most the given time, so
// window events keep running meanwhile; an answer that comes after its wait gave up is dropped.
// A server that says nothing for a while is pinged; one that does not answer is taken as lost, as if it
// had closed the connection.
class LinkClient : public QObject, public LinkBackend {
    Q_OBJECT
public:
    // Created on first use, owned by the application object.
    static LinkClient& instance();
    // The instance if one exists; never creates one (for destructors at shutdown).
    static LinkClient* existing();

    Result<QString> advise(LinkBox* box, const QString& topic, const QString& item, int timeoutMs) override;
    // Sends every advise, then waits for the answers.
    QList<Result<QString>> adviseAll(const QList<AdviseRequest>& requests) override;
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

    // A check every PingIntervalMs while connected: the first that finds the server silent since the last
    // sends a ping, the next that still finds it silent takes the connection as lost.
    static constexpr int PingIntervalMs = 2000;
    // One check; the timer runs it, tests call it directly.
    void Ping_Timer();
    QTimer* pingTimer() const { return m_pingTimer; }

Q_SIGNALS:
    // The server went away; the boxes' links are gone.
    void connectionLost();

private:
    explicit LinkClient(QObject* parent);
    ~LinkClient() override;

    struct Pending;
    struct Wait;
    Status ensureConnected(int timeoutMs);
    Result<QStringList> request(const QStringList& fields, int timeoutMs);
    // Writes the request; the answer goes to p.
    void send(Pending& p, const QStringList& fields, int timeoutMs);
    // Waits until every request is answered, timed out, or the connection is lost.
    void wait(const QList<Pending*>& pending);
    static Result<QStringList> outcome(const Pending& p);
    // Takes an advise's answer for the box.
    Result<QString> linked(const QPointer<LinkBox>& box, const QString& key,
                           const Result<QStringList>& reply);
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
    QTimer* m_pingTimer = nullptr;
    // Something came from the server since the last check.
    bool m_heard = false;
    bool m_pinged = false;
    // When the server last sent something (ms since the epoch: taken for every read, so cheaply).
    qint64 m_heardAtMs = 0;
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
