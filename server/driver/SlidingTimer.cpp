#include "SlidingTimer.h"

SlidingTimer::SlidingTimer(std::function<void()> expired) : m_expired(std::move(expired))
{
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { fire(); });
    m_clock.start();
}

void SlidingTimer::start(int ms)
{
    m_due = m_clock.elapsed() + ms;
    m_running = true;
    if (m_timer.isActive() && m_armed <= m_due)
        return;
    m_armed = m_due;
    m_timer.start(ms);
}

void SlidingTimer::fire()
{
    if (!m_running)
        return;
    const qint64 left = m_due - m_clock.elapsed();
    if (left > 0) {
        m_armed = m_due;
        m_timer.start(static_cast<int>(left));
        return;
    }
    m_running = false;
    m_expired();
}
