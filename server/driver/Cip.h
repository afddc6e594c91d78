#pragma once

#include "RunError.h"

#include <QByteArray>
#include <QList>
#include <QString>

// CIP messages common to every controller: replies and their statuses, routes to the processor, the
// Connection Manager's Forward Open and Forward Close, and the Multiple Service Packet.
namespace Cip {

inline constexpr quint8 ReplyBit = 0x80;
inline constexpr quint8 MultipleService = 0x0A;
inline constexpr quint8 ForwardClose = 0x4E;
inline constexpr quint8 ForwardOpen = 0x54;
inline constexpr quint8 LargeForwardOpen = 0x5B;
// General statuses the drivers act on.
inline constexpr quint8 PartialData = 0x06;
inline constexpr quint8 ServiceNotSupported = 0x08;
inline constexpr quint8 GetAttributeSingle = 0x0E;
// A controller drops a connection that stays silent this long (the Forward Open's interval and multiplier).
inline constexpr int SilenceTimeoutMs = 32000;

struct Reply {
    quint8 service = 0; // without the reply bit
    quint8 status = 0;
    QList<quint16> extended;
    QByteArray data;
    bool ok() const { return status == 0; }
};
// The reply to a request of `service`.
Result<Reply> parseReply(const QByteArray& bytes, quint8 service);
// Why a reply says its connection is gone (connection failures, connection lost); empty when it does not.
QString connectionFailure(const QByteArray& reply);
// "path destination unknown (CIP status 0x05)".
QString statusText(quint8 status, const QList<quint16>& extended = {});

// Request: service, path size in words, path, data.
QByteArray request(quint8 service, const QByteArray& path, const QByteArray& data = {});
// Logical path to class/instance, 8-bit forms.
QByteArray classInstance(quint8 cls, quint8 instance);
// "1,0" (port, link pairs) to port segments; empty text, empty route.
Result<QByteArray> route(const QString& text);

struct ConnectionParams {
    bool large = true;
    quint16 size = 4002; // bytes each way
    quint32 toConnectionId = 0;
    quint16 serial = 0;
    quint16 vendor = 0;
    quint32 originatorSerial = 0;
    QByteArray route; // from route(), the message router is added
};
QByteArray forwardOpen(const ConnectionParams& p);
struct Opened {
    quint32 otConnectionId = 0;
    quint32 toConnectionId = 0;
};
Result<Opened> openedFrom(const Reply& reply);
QByteArray forwardClose(const ConnectionParams& p);

// Multiple Service Packet to the message router holding each request whole.
QByteArray multipleService(const QList<QByteArray>& requests);
// Bytes a packet of these requests takes.
qsizetype multipleServiceSize(const QList<qsizetype>& requestSizes);
// The embedded replies of a Multiple Service Packet reply's data, one per request.
Result<QList<QByteArray>> multipleReplies(const QByteArray& data, qsizetype expected);
// Consecutive runs of requests whose packet and whose reply both fit `limit` bytes; a request too big
// to share travels alone.
QList<QList<int>> packBatches(const QList<qsizetype>& requestSizes, const QList<qsizetype>& replySizes,
                              qsizetype limit);

} // namespace Cip
