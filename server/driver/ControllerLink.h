#pragma once

#include "Cip.h"
#include "RunError.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>

class QTcpSocket;

// One EtherNet/IP session with a controller on the event loop: registers, opens a CIP connection (the
// large Forward Open, else the small one, else unconnected messages), carries one request at a time and
// reconnects after a failure with a growing pause.
class ControllerLink : public QObject {
    Q_OBJECT
public:
    struct Settings {
        QString host;
        quint16 port = 44818;
        QByteArray route; // port segments to the processor
        int timeoutMs = 2000;
    };
    using Done = std::function<void(const Result<QByteArray>& cipReply)>;

    explicit ControllerLink(const Settings& settings, QObject* parent = nullptr);
    ~ControllerLink() override;

    void open();
    bool isUp() const { return m_state == State::Ready; }
    // Bytes a request or its reply may take.
    int connectionSize() const { return m_size; }
    // Why the controller cannot be reached; empty while it can.
    const QString& failure() const { return m_failure; }
    // Queues a CIP request; a failed link answers at once with its failure.
    void send(const QByteArray& cip, Done done);
    // Drops the connection after a reply that makes no sense, and tries again later.
    void drop(const QString& why) { fail(why); }

    // The longest pause between two attempts to reconnect.
    static constexpr int MaxRetryMs = 10000;

Q_SIGNALS:
    void up();
    void down(const QString& why);

private:
    enum class State { Closed, Connecting, Registering, Opening, Ready };
    void transmit(quint16 command, const QByteArray& data);
    void sendNext();
    void receive();
    void handle(const QByteArray& packet);
    void opened(const Result<QByteArray>& cip);
    void fail(const QString& why);
    void close();

    Settings m_settings;
    QTcpSocket* m_socket;
    QTimer m_replyTimer;
    QTimer m_retryTimer;
    State m_state = State::Closed;
    QByteArray m_buffer;
    quint32 m_session = 0;
    Cip::ConnectionParams m_params;
    quint32 m_otId = 0;
    bool m_connected = false; // connected messaging, else unconnected
    quint16 m_sequence = 0;
    int m_size = 500;
    int m_retryMs = 1000;
    QString m_failure;
    std::deque<std::pair<QByteArray, Done>> m_queue;
    Done m_inFlight;
};
