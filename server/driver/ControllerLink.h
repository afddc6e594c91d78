#pragma once

#include "Cip.h"
#include "RunError.h"
#include "SlidingTimer.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>

class QTcpSocket;

// One EtherNet/IP session with a controller on the event loop: registers, opens a CIP connection (the
// large Forward Open, else the small one, else unconnected messages), carries one request at a time,
// keeps an idle connection alive, and reconnects after a failure with a pause that grows until a
// connection has served well for a while.
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
    // Ends the link on purpose: the connection is closed and the session unregistered; open() starts again.
    void close();
    bool isUp() const { return m_state == State::Ready; }
    // Nothing asked and nothing waiting.
    bool isIdle() const { return !m_inFlight && m_urgent.empty() && m_queue.empty(); }
    // Bytes a request or its reply may take.
    int connectionSize() const { return m_size; }
    // Why the controller cannot be reached; empty while it can.
    const QString& failure() const { return m_failure; }
    // Queues a CIP request; a failed link answers at once with its failure.
    void send(const QByteArray& cip, Done done);
    // A request that goes ahead of those send() queued; one still waiting when the rest of its time is
    // shorter than the last round trip is dropped and answered as a time-out.
    void sendUrgent(const QByteArray& cip, Done done,
                    QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    // Drops the connection after a reply that makes no sense, and tries again later.
    void drop(const QString& why) { fail(why); }
    // The first pause before reconnecting, and the silence after which idle() is said and the
    // connection kept alive (tests shorten them).
    void setPauses(int firstRetryMs, int idleMs);

    // The longest pause between two attempts to reconnect.
    static constexpr int MaxRetryMs = 10000;
    // Up this long, a connection has served well: the next failure starts the pauses again.
    static constexpr int StableMs = 30000;

Q_SIGNALS:
    void up();
    void down(const QString& why);
    // Nothing was sent for a while; unless the link is closed now, it is kept alive.
    void idle();

private:
    enum class State { Closed, Connecting, Registering, Opening, Ready };
    struct Request {
        QByteArray cip;
        Done done;
        QDeadlineTimer deadline;
    };
    void transmit(quint16 command, const QByteArray& data);
    void sendNext();
    void receive();
    void handle(const QByteArray& packet);
    void answer(const QByteArray& data);
    bool answersRequest(quint16 sequence);
    void opened(const Result<QByteArray>& cip);
    void keepAlive();
    void fail(const QString& why);
    void shut();

    Settings m_settings;
    QTcpSocket* m_socket;
    SlidingTimer m_replyTimer;
    SlidingTimer m_idleTimer;
    QTimer m_retryTimer;
    State m_state = State::Closed;
    QByteArray m_buffer;
    quint32 m_session = 0;
    Cip::ConnectionParams m_params;
    quint32 m_otId = 0;
    bool m_connected = false; // connected messaging, else unconnected
    quint16 m_sequence = 0;
    bool m_countSeen = false;
    int m_fixedCount = -1; // the count a peer that does not count answers with; -1 for one that does
    int m_size = 500;
    int m_firstRetryMs = 1000;
    int m_retryMs = 1000;
    int m_idleMs;
    QElapsedTimer m_upSince;
    QElapsedTimer m_sentAt;
    qint64 m_roundTripMs = 0; // of the last request answered
    QString m_failure;
    std::deque<Request> m_urgent;
    std::deque<Request> m_queue;
    Done m_inFlight;
};
