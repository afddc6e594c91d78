#pragma once

#include "RunError.h"

#include <QByteArray>
#include <QString>

// EtherNet/IP encapsulation: the 24-byte header, sessions, and the common packet format that carries
// CIP messages unconnected (SendRRData) or over a connection (SendUnitData).
namespace Encapsulation {

inline constexpr quint16 RegisterSession = 0x65;
inline constexpr quint16 UnregisterSession = 0x66;
inline constexpr quint16 SendRRData = 0x6F;
inline constexpr quint16 SendUnitData = 0x70;
inline constexpr qsizetype HeaderSize = 24;
// Larger packets are refused: no controller reply comes near it, and a hostile length must not be buffered.
inline constexpr qsizetype MaxPacketSize = HeaderSize + 65511;

struct Packet {
    quint16 command = 0;
    quint32 session = 0;
    quint32 status = 0;
    quint64 context = 0;
    QByteArray data;
};

// A malformed or hostile reply: the connection that sent it is dropped.
inline RunError malformed(const QString& why)
{
    return RunError::of(ErrNo::InvalidCall, QStringLiteral("malformed reply: ") + why);
}

QByteArray encode(quint16 command, quint32 session, const QByteArray& data, quint64 context = 0);
// Bytes of the first whole packet at the start of the buffer; 0 while it is incomplete.
qsizetype packetSize(const QByteArray& buffer);
Result<Packet> decode(const QByteArray& packet);

QByteArray registerSession();
Result<quint32> sessionOf(const Packet& reply);

// Common packet format: a null address item and an unconnected data item.
QByteArray unconnectedItems(const QByteArray& cip, quint16 timeoutSeconds = 5);
Result<QByteArray> unconnectedReply(const QByteArray& data);

// Connected address item (the connection id) and connected data item (sequence count, then CIP).
QByteArray connectedItems(quint32 connectionId, quint16 sequence, const QByteArray& cip);
struct Connected {
    quint32 connectionId = 0;
    quint16 sequence = 0;
    QByteArray cip;
};
Result<Connected> connectedReply(const QByteArray& data);

// The encapsulation status in words.
QString statusText(quint32 status);

} // namespace Encapsulation
