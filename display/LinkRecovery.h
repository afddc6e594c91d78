#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class LinkBox;
class QTimer;

// Brings the links back after the connection to the communication server was lost. Every box whose link
// went with the connection, or that asked for a link while it was down, is linked again once a server
// answers, and shows the server's current value. Attempts come after a pause that grows to at most 5 s;
// an attempt that finds no server starts one, as a link that finds none does, and looks again shortly.
class LinkRecovery : public QObject {
    Q_OBJECT
public:
    // Created on first use, owned by the application object.
    static LinkRecovery& instance();
    static LinkRecovery* existing();
    // The connection is lost and not yet back.
    static bool isLinkLost();

    static constexpr int FirstPauseMs = 250;
    static constexpr int LongestPauseMs = 5000;

    bool linkLost() const { return m_lost; }
    void connectionLost();
    // The box is linked again with the next attempt that reaches the server.
    void waitForLink(LinkBox* box);
    // The program closed the connection itself: no more attempts; waiting boxes stay unlinked.
    void stop();

    // One attempt; the timer runs it, tests call it directly.
    void Reconnect_Timer();
    QTimer* reconnectTimer() const { return m_timer; }

Q_SIGNALS:
    // lost: the connection went away; otherwise it is back and every waiting box is linked again.
    void linkStateChanged(bool lost);

private:
    explicit LinkRecovery(QObject* parent);
    bool relinkWaiting();
    void startServer();
    void retryLater();
    void setLost(bool lost);

    QTimer* m_timer = nullptr;
    bool m_lost = false;
    bool m_attempting = false;
    bool m_serverStarted = false;
    int m_pauseMs = FirstPauseMs;
    QList<QPointer<LinkBox>> m_waiting;
};
