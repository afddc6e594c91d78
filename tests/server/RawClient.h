#pragma once

#include "LinkProtocol.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QStringList>

// A bare protocol client, to say what the link layer never would.
class RawClient {
public:
    explicit RawClient(const QString& socket)
    {
        m_socket.connectToServer(socket);
        m_socket.waitForConnected(2000);
    }
    bool connected() const { return m_socket.state() == QLocalSocket::ConnectedState; }
    void sendRaw(const QByteArray& bytes)
    {
        m_socket.write(bytes);
        m_socket.flush();
    }
    void send(const QStringList& fields) { sendRaw(LinkProtocol::encodeLine(fields)); }
    // Next line, or an empty list after the time-out.
    QStringList next(int ms = 3000)
    {
        const QDeadlineTimer deadline(ms);
        QByteArray line;
        while (m_buffer.next(&line) != LinkProtocol::LineBuffer::Kind::Line) {
            if (deadline.hasExpired() ||
                !m_socket.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime()))))
                return {};
            m_buffer.append(m_socket.readAll());
        }
        return LinkProtocol::decodeLine(line);
    }
    QStringList ask(const QStringList& fields)
    {
        send(fields);
        return next();
    }
    QLocalSocket& socket() { return m_socket; }

private:
    QLocalSocket m_socket;
    LinkProtocol::LineBuffer m_buffer;
};
