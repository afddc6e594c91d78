#include "Encapsulation.h"

#include "Bytes.h"

#include <QList>

namespace Encapsulation {

namespace {

constexpr quint16 NullAddressItem = 0x0000;
constexpr quint16 ConnectedAddressItem = 0x00A1;
constexpr quint16 ConnectedDataItem = 0x00B1;
constexpr quint16 UnconnectedDataItem = 0x00B2;

struct Item {
    quint16 type = 0;
    QByteArray data;
};

// Reads `count` items, each with its length checked against what is left.
bool readItems(Bytes::Reader& r, QList<Item>* items)
{
    const quint16 count = r.u16();
    if (!r.ok() || count > 8)
        return false;
    for (int i = 0; i < count; ++i) {
        Item item;
        item.type = r.u16();
        item.data = r.bytes(r.u16());
        if (!r.ok())
            return false;
        items->append(item);
    }
    return r.atEnd();
}

Result<QList<Item>> items(const QByteArray& data)
{
    Bytes::Reader r(data);
    r.u32(); // interface handle
    r.u16(); // time-out
    QList<Item> out;
    if (readItems(r, &out))
        return out;
    // Some simulators leave the interface handle and time-out out of connected replies; a controller's
    // reply never starts with an item count, as its interface handle is 0.
    out.clear();
    if (data.startsWith(QByteArray::fromHex("0200a1000400"))) {
        const QByteArray fixed = QByteArray(6, '\0') + data.left(16) + data.mid(22);
        Bytes::Reader again(fixed);
        again.bytes(6);
        if (data.size() >= 22 && readItems(again, &out))
            return out;
    }
    return malformed(QStringLiteral("item lengths do not add up"));
}

} // namespace

QByteArray encode(quint16 command, quint32 session, const QByteArray& data, quint64 context)
{
    Bytes::Writer w;
    w.u16(command).u16(static_cast<quint32>(data.size())).u32(session).u32(0).u64(context).u32(0);
    return w.bytes(data).data();
}

qsizetype packetSize(const QByteArray& buffer)
{
    if (buffer.size() < HeaderSize)
        return 0;
    Bytes::Reader r(buffer);
    r.u16();
    const qsizetype total = HeaderSize + r.u16();
    return buffer.size() >= total ? total : 0;
}

Result<Packet> decode(const QByteArray& packet)
{
    Bytes::Reader r(packet);
    Packet p;
    p.command = r.u16();
    const quint16 length = r.u16();
    p.session = r.u32();
    p.status = r.u32();
    p.context = r.u64();
    r.u32(); // options
    p.data = r.bytes(length);
    if (!r.ok() || !r.atEnd())
        return malformed(
            QStringLiteral("encapsulation length %1 against %2 bytes").arg(length).arg(packet.size()));
    return p;
}

QByteArray registerSession()
{
    return encode(RegisterSession, 0, Bytes::Writer().u16(1).u16(0).data());
}

Result<quint32> sessionOf(const Packet& reply)
{
    if (reply.command != RegisterSession)
        return malformed(QStringLiteral("command 0x%1 answers a session request").arg(reply.command, 0, 16));
    if (reply.status != 0)
        return RunError::of(ErrNo::InvalidCall, statusText(reply.status));
    if (reply.session == 0)
        return malformed(QStringLiteral("no session handle"));
    return reply.session;
}

QByteArray unconnectedItems(const QByteArray& cip, quint16 timeoutSeconds)
{
    Bytes::Writer w;
    w.u32(0).u16(timeoutSeconds).u16(2);
    w.u16(NullAddressItem).u16(0);
    w.u16(UnconnectedDataItem).u16(static_cast<quint32>(cip.size())).bytes(cip);
    return w.data();
}

Result<QByteArray> unconnectedReply(const QByteArray& data)
{
    const Result<QList<Item>> found = items(data);
    if (!found)
        return found.error();
    const QList<Item>& list = *found;
    if (list.size() != 2 || list[0].type != NullAddressItem || list[1].type != UnconnectedDataItem)
        return malformed(QStringLiteral("unconnected reply without its two items"));
    return list[1].data;
}

QByteArray connectedItems(quint32 connectionId, quint16 sequence, const QByteArray& cip)
{
    Bytes::Writer w;
    w.u32(0).u16(0).u16(2);
    w.u16(ConnectedAddressItem).u16(4).u32(connectionId);
    w.u16(ConnectedDataItem).u16(static_cast<quint32>(cip.size() + 2)).u16(sequence).bytes(cip);
    return w.data();
}

Result<Connected> connectedReply(const QByteArray& data)
{
    const Result<QList<Item>> found = items(data);
    if (!found)
        return found.error();
    const QList<Item>& list = *found;
    if (list.size() != 2 || list[0].type != ConnectedAddressItem || list[0].data.size() != 4 ||
        list[1].type != ConnectedDataItem || list[1].data.size() < 2)
        return malformed(QStringLiteral("connected reply without its two items"));
    Bytes::Reader address(list[0].data), payload(list[1].data);
    Connected c;
    c.connectionId = address.u32();
    c.sequence = payload.u16();
    c.cip = payload.rest();
    return c;
}

QString statusText(quint32 status)
{
    switch (status) {
    case 0x0000:
        return QStringLiteral("success");
    case 0x0001:
        return QStringLiteral("unsupported encapsulation command");
    case 0x0002:
        return QStringLiteral("controller out of memory");
    case 0x0003:
        return QStringLiteral("badly formed request");
    case 0x0064:
        return QStringLiteral("invalid session handle");
    case 0x0065:
        return QStringLiteral("invalid request length");
    case 0x0069:
        return QStringLiteral("unsupported protocol version");
    default:
        return QStringLiteral("encapsulation status 0x%1").arg(status, 4, 16, QLatin1Char('0'));
    }
}

} // namespace Encapsulation
