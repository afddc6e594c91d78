#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

// The real CommServer on a socket of this bench's own, without simulation rules unless given "--rules FILE";
// ended with the bench.
class BenchServer {
public:
    explicit BenchServer(const QString& name, const QStringList& moreArgs = {})
        : m_socket(QStringLiteral("hmi-bench-%1-%2").arg(name).arg(QCoreApplication::applicationPid()))
    {
        qputenv("HMI_LINK_SOCKET", m_socket.toLocal8Bit());
        m_process.start(QStringLiteral(HMI_BIN_DIR "/CommServer"),
                        QStringList{QStringLiteral("--socket"), m_socket} +
                            (moreArgs.contains(QStringLiteral("--rules")) ? QStringList{} : QStringList{QStringLiteral("--no-rules")}) +
                            moreArgs);
    }
    ~BenchServer()
    {
        m_process.kill();
        m_process.waitForFinished(3000);
        // The killed server leaves its socket and lock files behind.
        const QString base = QDir::tempPath() + QLatin1Char('/') + m_socket;
        QFile::remove(base);
        QFile::remove(base + QStringLiteral(".lock"));
    }
    BenchServer(const BenchServer&) = delete;
    BenchServer& operator=(const BenchServer&) = delete;

    // The server says it listens with its first line.
    bool started() { return m_process.waitForStarted() && m_process.waitForReadyRead(5000); }
    qint64 processId() const { return m_process.processId(); }
    const QString& socket() const { return m_socket; }

private:
    QString m_socket;
    QProcess m_process;
};
