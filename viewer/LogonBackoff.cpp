#include "LogonBackoff.h"

#include <QDeadlineTimer>

#include <algorithm>

namespace {

constexpr qint64 FirstPause = 1000;
constexpr qint64 LongestPause = 30000;

} // namespace

LogonBackoff::LogonBackoff() : clock([] { return QDeadlineTimer::current().deadline(); }) {}

int LogonBackoff::secondsToWait() const
{
    const qint64 left = m_notBefore - clock();
    return left > 0 ? static_cast<int>((left + 999) / 1000) : 0;
}

void LogonBackoff::failed()
{
    m_pause = m_pause == 0 ? FirstPause : std::min(2 * m_pause, LongestPause);
    m_notBefore = clock() + m_pause;
}

void LogonBackoff::succeeded()
{
    m_pause = 0;
    m_notBefore = 0;
}
