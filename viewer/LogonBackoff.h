#pragma once

#include <QtGlobal>

#include <functional>

// After a wrong password the next try is taken only after a pause: 1 s, doubling with each wrong try up to
// 30 s. Tries stay unlimited, but guessing six digits takes days instead of minutes.
class LogonBackoff {
public:
    LogonBackoff();

    // Milliseconds on a clock that never goes back; tests drive it.
    std::function<qint64()> clock;

    // Whole seconds until the next try is taken, 0 when it is taken now.
    int secondsToWait() const;
    void failed();
    void succeeded();

private:
    qint64 m_pause = 0;
    qint64 m_notBefore = 0;
};
