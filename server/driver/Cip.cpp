#include "Cip.h"

#include "Bytes.h"
#include "Encapsulation.h"

#include <QHash>
#include <QStringList>

namespace Cip {

namespace {

const QByteArray MessageRouter = QByteArray::fromHex("20022401");
const QByteArray ConnectionManager = QByteArray::fromHex("20062401");

// Point-to-point, variable size; the low bits carry the size.
constexpr quint32 LargeParams = 0x42000000;
constexpr quint32 SmallParams = 0x4200;
constexpr quint32 RpiMicroseconds = 2000000;
// Index 2: the controller drops the connection after 16 silent RPIs.
constexpr quint8 TimeoutMultiplier = 2;
static_assert(SilenceTimeoutMs == RpiMicroseconds / 1000 * 16);
constexpr quint8 ConnectionFailed = 0x01;
constexpr quint8 ConnectionLost = 0x07;

QString generalText(quint8 status)
{
    static const QHash<int, QString> words = {
        {0x01, QStringLiteral("connection failure")},
        {0x02, QStringLiteral("resource unavailable")},
        {0x03, QStringLiteral("invalid parameter value")},
        {0x04, QStringLiteral("path segment error: the tag does not exist")},
        {0x05, QStringLiteral("path destination unknown: the tag does not exist")},
        {0x06, QStringLiteral("partial transfer")},
        {0x07, QStringLiteral("connection lost")},
        {0x08, QStringLiteral("service not supported")},
        {0x09, QStringLiteral("invalid attribute value")},
        {0x0C, QStringLiteral("object state conflict")},
        {0x0E, QStringLiteral("attribute not settable")},
        {0x0F, QStringLiteral("privilege violation")},
        {0x10, QStringLiteral("device state conflict")},
        {0x11, QStringLiteral("reply data too large")},
        {0x13, QStringLiteral("not enough data")},
        {0x15, QStringLiteral("too much data")},
        {0x16, QStringLiteral("object does not exist")},
        {0x1E, QStringLiteral("embedded service error")},
        {0x20, QStringLiteral("invalid parameter")},
        {0x26, QStringLiteral("path size invalid")},
        {0xFF, QStringLiteral("general error")},
    };
    return words.value(status, QStringLiteral("error"));
}

QString extendedText(quint8 status, quint16 ext)
{
    static const QHash<int, QString> connection = {
        {0x0100, QStringLiteral("connection in use")},
        {0x0106, QStringLiteral("ownership conflict")},
        {0x0107, QStringLiteral("connection not found")},
        {0x0103, QStringLiteral("transport class not supported")},
        {0x0109, QStringLiteral("invalid connection size")},
        {0x0111, QStringLiteral("RPI not supported")},
        {0x0113, QStringLiteral("out of connections")},
        {0x0203, QStringLiteral("connection timed out")},
        {0x0204, QStringLiteral("unconnected request timed out")},
        {0x0311, QStringLiteral("invalid port in the path")},
        {0x0312, QStringLiteral("invalid link address in the path")},
        {0x0315, QStringLiteral("invalid segment in the path")},
    };
    static const QHash<int, QString> general = {
        {0x2104, QStringLiteral("offset beyond the end of the tag")},
        {0x2105, QStringLiteral("index beyond the end of the tag")},
        {0x2107, QStringLiteral("data type does not match the tag")},
    };
    return (status == 0x01 ? connection : general).value(ext);
}

} // namespace

Result<Reply> parseReply(const QByteArray& bytes, quint8 service)
{
    Bytes::Reader r(bytes);
    Reply reply;
    const quint8 code = r.u8();
    r.u8(); // reserved
    reply.status = r.u8();
    quint8 words = r.u8();
    // Some peers count the extended status of an error in bytes; the reply ends right after them then.
    if (reply.status != 0 && words % 2 == 0 && 4 + words == bytes.size())
        words /= 2;
    for (int i = 0; i < words; ++i)
        reply.extended << r.u16();
    reply.data = r.rest();
    if (!r.ok())
        return Encapsulation::malformed(QStringLiteral("CIP reply of %1 bytes").arg(bytes.size()));
    if (code != (service | ReplyBit))
        return Encapsulation::malformed(QStringLiteral("reply 0x%1 to service 0x%2")
                                            .arg(code, 2, 16, QLatin1Char('0'))
                                            .arg(service, 2, 16, QLatin1Char('0')));
    reply.service = service;
    return reply;
}

QString connectionFailure(const QByteArray& reply)
{
    const Result<Reply> r = parseReply(reply, static_cast<quint8>(reply.isEmpty() ? 0 : reply[0] & ~ReplyBit));
    if (!r)
        return {};
    // Connection Manager statuses; those of routing (0x02xx, 0x03xx) but a timed-out connection concern
    // the path, not the connection.
    const quint16 ext = r->extended.value(0);
    const bool failed = r->status == ConnectionFailed && ((ext & 0xFF00) == 0x0100 || ext == 0x0203);
    return failed || r->status == ConnectionLost ? statusText(r->status, r->extended) : QString();
}

QString statusText(quint8 status, const QList<quint16>& extended)
{
    QString text = generalText(status);
    if (!extended.isEmpty()) {
        const QString more = extendedText(status, extended.first());
        text += more.isEmpty()
                    ? QStringLiteral(", extended status 0x%1").arg(extended.first(), 4, 16, QLatin1Char('0'))
                    : QStringLiteral(": ") + more;
    }
    return text + QStringLiteral(" (CIP status 0x%1)").arg(status, 2, 16, QLatin1Char('0'));
}

QByteArray request(quint8 service, const QByteArray& path, const QByteArray& data)
{
    Bytes::Writer w;
    w.u8(service).u8(static_cast<quint32>(path.size() / 2)).bytes(path).bytes(data);
    return w.data();
}

QByteArray classInstance(quint8 cls, quint8 instance)
{
    return Bytes::Writer().u8(0x20).u8(cls).u8(0x24).u8(instance).data();
}

Result<QByteArray> route(const QString& text)
{
    if (text.trimmed().isEmpty())
        return QByteArray();
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() % 2 != 0)
        return RunError::of(ErrNo::InvalidCall,
                            QStringLiteral("path '%1' needs port and address pairs").arg(text.left(40)));
    // A connection path with the message router after it is counted in words in one byte.
    const qsizetype maxPairs = (0xFF * 2 - MessageRouter.size()) / 2;
    if (parts.size() / 2 > maxPairs)
        return RunError::of(
            ErrNo::InvalidCall,
            QStringLiteral("path of %1 hops: at most %2").arg(parts.size() / 2).arg(maxPairs));
    Bytes::Writer w;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        bool portOk = false, linkOk = false;
        const int port = parts[i].trimmed().toInt(&portOk);
        const int link = parts[i + 1].trimmed().toInt(&linkOk);
        if (!portOk || !linkOk || port < 1 || port > 14 || link < 0 || link > 255)
            return RunError::of(
                ErrNo::InvalidCall,
                QStringLiteral("path '%1': ports are 1 to 14, addresses 0 to 255").arg(text.left(40)));
        w.u8(static_cast<quint32>(port)).u8(static_cast<quint32>(link));
    }
    return w.data();
}

QByteArray forwardOpen(const ConnectionParams& p)
{
    const QByteArray path = p.route + MessageRouter;
    Bytes::Writer w;
    w.u8(0x0A).u8(0x0E); // time per tick, ticks: about 14 s for the open itself
    w.u32(0).u32(p.toConnectionId).u16(p.serial).u16(p.vendor).u32(p.originatorSerial);
    w.u8(TimeoutMultiplier).u8(0).u16(0);
    for (int direction = 0; direction < 2; ++direction) {
        w.u32(RpiMicroseconds);
        if (p.large)
            w.u32(LargeParams | p.size);
        else
            w.u16(SmallParams | (p.size & 0x1FF));
    }
    w.u8(0xA3); // class 3, application triggered, server
    w.u8(static_cast<quint32>(path.size() / 2)).bytes(path);
    return request(p.large ? LargeForwardOpen : ForwardOpen, ConnectionManager, w.data());
}

Result<Opened> openedFrom(const Reply& reply)
{
    if (!reply.ok())
        return RunError::of(ErrNo::InvalidCall, statusText(reply.status, reply.extended));
    Bytes::Reader r(reply.data);
    Opened o;
    o.otConnectionId = r.u32();
    o.toConnectionId = r.u32();
    r.bytes(8 + 8); // serials, vendor and the two actual packet intervals
    const quint8 words = r.u8();
    r.u8();
    r.bytes(words * 2);
    if (!r.ok())
        return Encapsulation::malformed(
            QStringLiteral("forward open reply of %1 bytes").arg(reply.data.size()));
    return o;
}

QByteArray forwardClose(const ConnectionParams& p)
{
    const QByteArray path = p.route + MessageRouter;
    Bytes::Writer w;
    w.u8(0x0A).u8(0x0E).u16(p.serial).u16(p.vendor).u32(p.originatorSerial);
    w.u8(static_cast<quint32>(path.size() / 2)).u8(0).bytes(path);
    return request(ForwardClose, ConnectionManager, w.data());
}

QByteArray multipleService(const QList<QByteArray>& requests)
{
    Bytes::Writer w;
    w.u16(static_cast<quint32>(requests.size()));
    qsizetype offset = 2 + 2 * requests.size();
    for (const QByteArray& r : requests) {
        w.u16(static_cast<quint32>(offset));
        offset += r.size();
    }
    for (const QByteArray& r : requests)
        w.bytes(r);
    return request(MultipleService, MessageRouter, w.data());
}

qsizetype multipleServiceSize(const QList<qsizetype>& requestSizes)
{
    qsizetype size = 2 + MessageRouter.size() + 2;
    for (qsizetype s : requestSizes)
        size += 2 + s;
    return size;
}

Result<QList<QByteArray>> multipleReplies(const QByteArray& data, qsizetype expected)
{
    Bytes::Reader r(data);
    const quint16 count = r.u16();
    QList<qsizetype> offsets;
    for (int i = 0; i < count && r.ok(); ++i)
        offsets << r.u16();
    if (!r.ok() || count != expected)
        return Encapsulation::malformed(QStringLiteral("%1 replies to %2 requests").arg(count).arg(expected));
    offsets << data.size();
    QList<QByteArray> out;
    for (int i = 0; i < count; ++i) {
        if (offsets[i] < 2 + 2 * count || offsets[i + 1] < offsets[i] || offsets[i + 1] > data.size())
            return Encapsulation::malformed(QStringLiteral("reply offset %1 out of place").arg(offsets[i]));
        out << data.mid(offsets[i], offsets[i + 1] - offsets[i]);
    }
    return out;
}

QList<QList<int>> packBatches(const QList<qsizetype>& requestSizes, const QList<qsizetype>& replySizes,
                              qsizetype limit)
{
    QList<QList<int>> batches;
    QList<int> current;
    qsizetype request = multipleServiceSize({}), reply = 4 + 2;
    for (int i = 0; i < requestSizes.size(); ++i) {
        const qsizetype addRequest = 2 + requestSizes[i], addReply = 2 + replySizes.value(i);
        if (!current.isEmpty() && (request + addRequest > limit || reply + addReply > limit)) {
            batches << current;
            current.clear();
            request = multipleServiceSize({});
            reply = 4 + 2;
        }
        current << i;
        request += addRequest;
        reply += addReply;
    }
    if (!current.isEmpty())
        batches << current;
    return batches;
}

} // namespace Cip
