#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

class DriverHub;
class LinkServerListener;
class QLocalSocket;
class ValueStore;
struct ServerConnection;

// Serves links over a local socket: advise, unadvise, poke and get requests, and pushes of every change
// to the connections that advised the item.
class LinkServer : public QObject {
    Q_OBJECT
public:
    explicit LinkServer(ValueStore& store, QObject* parent = nullptr);
    ~LinkServer() override;

    // Listens on the socket name; false with a reason when it cannot.
    bool listen(const QString& name, QString* error);
    // Every request is answered this much later (a test switch to provoke time-outs).
    void setDelay(int ms) { m_delayMs = ms; }
    // Topics that controllers serve; their requests are answered when the controller has answered.
    void setDrivers(DriverHub* drivers) { m_drivers = drivers; }

    // A connection holding more unsent bytes than this reads too slowly and is dropped.
    static constexpr qint64 MaxBacklogBytes = 32 * 1024 * 1024;
    // Links one connection may hold.
    static constexpr int MaxLinksPerConnection = 200000;

Q_SIGNALS:
    void quitRequested();

private:
    void accept(QLocalSocket* socket);
    void receive(ServerConnection* c);
    void drainDelayed(ServerConnection* c);
    void handle(ServerConnection* c, const QByteArray& line);
    void drop(ServerConnection* c);
    void push(const QString& key, const QString& value);
    void send(ServerConnection* c, const QStringList& fields);
    // Sends an answer later, unless the connection has gone by then.
    std::function<void(const QStringList&)> later(ServerConnection* c);
    bool driven(const QString& topic) const;
    void forget(const QString& key);

    ValueStore& m_store;
    LinkServerListener* m_listener;
    int m_delayMs = 0;
    DriverHub* m_drivers = nullptr;
    QSet<ServerConnection*> m_connections;
    QHash<QString, QSet<ServerConnection*>> m_subscribers;
};
