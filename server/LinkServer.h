#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

class QLocalServer;
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

    // A connection holding more unsent bytes than this reads too slowly and is dropped.
    static constexpr qint64 MaxBacklogBytes = 32 * 1024 * 1024;
    // Links one connection may hold.
    static constexpr int MaxLinksPerConnection = 200000;

Q_SIGNALS:
    void quitRequested();

private:
    void accept();
    void receive(ServerConnection* c);
    void drainDelayed(ServerConnection* c);
    void handle(ServerConnection* c, const QByteArray& line);
    void drop(ServerConnection* c);
    void push(const QString& key, const QString& value);
    void send(ServerConnection* c, const QStringList& fields);

    ValueStore& m_store;
    QLocalServer* m_server;
    int m_delayMs = 0;
    QSet<ServerConnection*> m_connections;
    QHash<QString, QSet<ServerConnection*>> m_subscribers;
};
