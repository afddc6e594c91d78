#pragma once

#include "Cip.h"
#include "ControllerLink.h"
#include "LogixTag.h"
#include "RunError.h"
#include "TagValue.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <optional>

// A test that needs the simulator passes, saying why, in a checkout without it.
#define SKIP_WITHOUT_PEER()                                                                                  \
    if (!PeerController::available())                                                                        \
    GTEST_SKIP() << "the controller simulator's sources (../shared/peers) are not beside this checkout"

// The third-party controller simulator, built into the build folder when the peers are beside the
// sources; empty when they are not.
class PeerController {
public:
    static QString program() { return QStringLiteral(HMI_AB_SERVER); }
    static bool available() { return !program().isEmpty(); }

    // A loopback port nobody listens on right now.
    static quint16 freePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

    explicit PeerController(QStringList args) : m_args(std::move(args)), m_port(freePort()) {}
    ~PeerController() { stop(); }

    quint16 port() const { return m_port; }

    // Starts it and waits until it takes connections.
    bool start()
    {
        m_process.start(program(), m_args + QStringList{QStringLiteral("--port=%1").arg(m_port)});
        if (!m_process.waitForStarted(5000))
            return false;
        const QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired()) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_port);
            if (probe.waitForConnected(200))
                return true;
            QThread::msleep(20);
        }
        qWarning("controller simulator did not start: %s",
                 m_process.readAllStandardOutput().right(400).constData());
        return false;
    }
    // A controller that hangs and one that goes on again.
    void freeze(bool frozen)
    {
        ::kill(static_cast<pid_t>(m_process.processId()), frozen ? SIGSTOP : SIGCONT);
    }
    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

private:
    QStringList m_args;
    quint16 m_port;
    QProcess m_process;
};

// CommServer's topics-file line for a Logix controller on this machine, backplane slot 0, polled every 100 ms.
inline QString logixTopicLine(const char* topic, quint16 port, int timeoutMs = 2000)
{
    return QStringLiteral("%1\tLogix\t127.0.0.1\t%2\t1,0\t100\t%3\t")
        .arg(QLatin1String(topic))
        .arg(port)
        .arg(timeoutMs);
}

// A second client of the controller, beside the server's: the driver's own link, waited on.
class PeerClient {
public:
    PeerClient(quint16 port, const QString& path)
        : m_link({QStringLiteral("127.0.0.1"), port, Cip::route(path).value(), 2000})
    {
        m_link.open();
    }
    // The link's reply timer ends every wait; no timer of its own, so none is left behind per request.
    Result<QByteArray> ask(const QByteArray& cip)
    {
        std::optional<Result<QByteArray>> out;
        m_link.send(cip, [&out](const Result<QByteArray>& r) { out = r; });
        while (!out)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return *out;
    }
    // Writes a Logix tag: `typed` is the type code followed by the value, as the controller takes them.
    bool write(const QString& item, const QByteArray& typed)
    {
        const auto ref = LogixTag::parse(item);
        const auto cip = ask(LogixTag::write(ref->path, typed.left(2), typed.mid(2)));
        return cip && Cip::parseReply(*cip, LogixTag::WriteTag)->ok();
    }
    // Value of a Logix tag as the controller holds it, or why it could not be read.
    QString read(const QString& item)
    {
        const auto ref = LogixTag::parse(item);
        const auto cip = ask(LogixTag::read(ref->path));
        if (!cip)
            return cip.error().description;
        const auto reply = Cip::parseReply(*cip, LogixTag::ReadTag);
        if (!reply || !reply->ok())
            return QStringLiteral("refused");
        const auto typed = TagValue::fromReply(reply->data);
        return typed ? TagValue::text(*typed).value() : QStringLiteral("refused");
    }

private:
    ControllerLink m_link;
};
