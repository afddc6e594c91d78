#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// A single-shot wait that is pushed back on every round trip: pushing it back costs a clock read, and
// the timer underneath is re-armed only when it fires early, not once per request.
class SlidingTimer {
public:
    explicit SlidingTimer(std::function<void()> expired);

    // Expires `ms` from now, unless started or stopped again before.
    void start(int ms);
    void stop() { m_running = false; }
    bool isActive() const { return m_running; }

private:
    void fire();

    std::function<void()> m_expired;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_due = 0;   // on m_clock
    qint64 m_armed = 0; // when m_timer fires, on m_clock
    bool m_running = false;
};
