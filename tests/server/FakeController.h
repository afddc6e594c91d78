#pragma once

#include "Bytes.h"
#include "Cip.h"
#include "Encapsulation.h"
#include "LogixTag.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

// Runs the event loop until `done` holds or `ms` pass; says whether it held.
inline bool waitUntil(const std::function<bool()>& done, int ms = 3000)
{
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

// A Logix controller of our own on loopback, in this thread, that misbehaves as a test asks: late, with
// replies on the other connection id, another session or sequence count, or whatever `reply` says. Its DINT
// tags read 0 until written.
class FakeController {
public:
    struct Counts {
        int opens = 0;     // Forward Opens answered
        int closes = 0;    // Forward Closes
        int sessions = 0;  // sessions registered
        int ended = 0;     // sessions unregistered
        int requests = 0;  // connected requests
        int writes = 0;    // Write Tag requests
    };
    int replyDelayMs = 0;
    bool answerWithOtId = false;
    quint32 sessionSkew = 0;     // added to the session of replies to connected requests
    int sequenceSkewFrom = -1;   // from this connected request on, replies carry the count plus one
    // The CIP reply to the n-th connected request (from 0) of a connection; the default answers Read Tag
    // and Write Tag of DINTs and refuses other services.
    std::function<QByteArray(int n, const QByteArray& request)> reply;

    FakeController()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection())
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { receive(s); });
        });
        reply = [this](int, const QByteArray& r) { return tagReply(r); };
    }
    quint16 port() const { return m_server.serverPort(); }
    const Counts& counts() const { return m_counts; }
    qint32 value(const QByteArray& tag) const { return m_tags.value(tag); }

    // A CIP reply with a general status and one extended status.
    static QByteArray failure(const QByteArray& request, quint8 status, quint16 extended)
    {
        return Bytes::Writer().u8(quint8(request[0]) | Cip::ReplyBit).u8(0).u8(status).u8(1).u16(extended).data();
    }

    // The default reply.
    QByteArray tagReply(const QByteArray& request)
    {
        const quint8 service = quint8(request[0]);
        const QByteArray path = request.mid(2, 2 * quint8(request[1]));
        Bytes::Writer w;
        w.u8(service | Cip::ReplyBit).u8(0);
        if (service == LogixTag::ReadTag)
            return w.u8(0).u8(0).u16(0xC4).u32(quint32(m_tags.value(path))).data();
        if (service == LogixTag::WriteTag) {
            ++m_counts.writes;
            Bytes::Reader data(request.mid(2 + path.size() + 4));
            m_tags.insert(path, qint32(data.u32()));
            return w.u8(0).u8(0).data();
        }
        return w.u8(Cip::ServiceNotSupported).u8(0).data();
    }

private:
    struct Connection {
        quint32 session = 0;
        quint32 toId = 0;
        quint32 otId = 0;
        int requests = 0;
    };

    void receive(QTcpSocket* s)
    {
        QByteArray& buffer = m_buffers[s];
        buffer += s->readAll();
        while (const qsizetype size = Encapsulation::packetSize(buffer)) {
            const auto packet = Encapsulation::decode(buffer.left(size));
            buffer.remove(0, size);
            if (packet)
                answer(s, *packet);
        }
    }

    void answer(QTcpSocket* s, const Encapsulation::Packet& p)
    {
        Connection& c = m_connections[s];
        if (p.command == Encapsulation::RegisterSession) {
            ++m_counts.sessions;
            c.session = 0x1000 + m_counts.sessions;
            return later(s, Encapsulation::encode(p.command, c.session, p.data));
        }
        if (p.command == Encapsulation::UnregisterSession) {
            ++m_counts.ended;
            return;
        }
        if (p.command == Encapsulation::SendRRData) {
            const QByteArray cip = *Encapsulation::unconnectedReply(p.data);
            return later(s, Encapsulation::encode(p.command, c.session,
                                                  Encapsulation::unconnectedItems(unconnected(c, cip))));
        }
        const auto request = Encapsulation::connectedReply(p.data);
        const int n = c.requests++;
        ++m_counts.requests;
        const quint16 count = request->sequence + (sequenceSkewFrom >= 0 && n >= sequenceSkewFrom ? 1 : 0);
        const QByteArray items = Encapsulation::connectedItems(answerWithOtId ? c.otId : c.toId, count,
                                                               reply(n, request->cip));
        later(s, Encapsulation::encode(p.command, c.session + sessionSkew, items));
    }

    QByteArray unconnected(Connection& c, const QByteArray& cip)
    {
        const quint8 service = quint8(cip[0]);
        if (service == Cip::ForwardClose) {
            ++m_counts.closes;
            return Bytes::Writer().u8(service | Cip::ReplyBit).u8(0).u8(0).u8(0).data();
        }
        ++m_counts.opens;
        Bytes::Reader r(cip.mid(8));
        r.u32();
        c.toId = r.u32();
        c.otId = 0xA000 + m_counts.opens;
        c.requests = 0;
        Bytes::Writer w;
        w.u8(service | Cip::ReplyBit).u8(0).u8(0).u8(0).u32(c.otId).u32(c.toId).bytes(cip.mid(16, 8));
        return w.u32(2000000).u32(2000000).u8(0).u8(0).data();
    }

    void later(QTcpSocket* s, const QByteArray& bytes)
    {
        if (replyDelayMs == 0)
            return void(s->write(bytes));
        QTimer::singleShot(replyDelayMs, s, [s, bytes] { s->write(bytes); });
    }

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QHash<QTcpSocket*, Connection> m_connections;
    QHash<QByteArray, qint32> m_tags;
    Counts m_counts;
};
