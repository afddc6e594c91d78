#include "Password.h"

#include <QMessageAuthenticationCode>

QString ExpectedPassword(const QByteArray& siteKey, const QDate& date)
{
    const QByteArray message = date.toString(Qt::ISODate).toLatin1();
    return TruncateToDigits(QMessageAuthenticationCode::hash(message, siteKey, QCryptographicHash::Sha256));
}

QString TruncateToDigits(const QByteArray& mac)
{
    // The low four bits of the last byte pick where four bytes are read; the top bit is dropped so the
    // number is the same whether read signed or unsigned.
    const auto byte = [&mac](qsizetype i) { return static_cast<quint32>(static_cast<quint8>(mac.at(i))); };
    const qsizetype offset = byte(mac.size() - 1) & 0x0f;
    const quint32 number = (byte(offset) & 0x7f) << 24 | byte(offset + 1) << 16 | byte(offset + 2) << 8 |
                           byte(offset + 3);
    return QStringLiteral("%1").arg(number % 1000000u, 6, 10, QLatin1Char('0'));
}
