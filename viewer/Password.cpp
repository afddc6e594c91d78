#include "Password.h"

QString ExpectedPassword(const QDate& date)
{
    // FNV-1a over the ISO date: cheap, stable across platforms, and no visible pattern from day to day.
    const QByteArray text = date.toString(Qt::ISODate).toLatin1();
    quint32 hash = 2166136261u;
    for (const char c : text) {
        hash ^= static_cast<quint8>(c);
        hash *= 16777619u;
    }
    return QStringLiteral("%1").arg(hash % 1000000u, 6, 10, QLatin1Char('0'));
}
