#pragma once

#include <QFile>
#include <QList>

#include <unistd.h>

// What /proc tells of a process (0 for this one): CPU seconds used, and kilobytes of a status line such as
// "VmRSS:" (resident now) or "VmHWM:" (the peak); -1 where it cannot be read.
namespace ProcessStats {

inline QString procPath(qint64 pid, const char* file)
{
    return pid == 0 ? QStringLiteral("/proc/self/%1").arg(QLatin1String(file))
                    : QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file));
}

inline double cpuSeconds(qint64 pid)
{
    QFile stat(procPath(pid, "stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> f = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return (f.value(11).toDouble() + f.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

inline long statusKb(qint64 pid, const char* field)
{
    QFile status(procPath(pid, "status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray name(field);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace ProcessStats
