#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <atomic>

// The real CommServer, started from the build's program folder on a socket name of its own, so tests
// never meet a server someone runs for the demo.
class LinkTestServer {
public:
    explicit LinkTestServer(QStringList args = {QStringLiteral("--no-rules")}) : m_args(std::move(args))
    {
        static std::atomic<int> counter{0};
        m_socket = QStringLiteral("hmi-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    }
    ~LinkTestServer()
    {
        kill();
        // A killed server leaves its socket and lock files; do not fill the temporary folder with them.
        const QString base = QDir::tempPath() + QLatin1Char('/') + m_socket;
        QFile::remove(base);
        QFile::remove(base + QStringLiteral(".lock"));
    }
    LinkTestServer(const LinkTestServer&) = delete;
    LinkTestServer& operator=(const LinkTestServer&) = delete;

    // ctest names the program folder; the build's own path stands in when run by hand.
    static QString binDir()
    {
        const QString dir = qEnvironmentVariable("HMI_BIN_DIR");
        return dir.isEmpty() ? QStringLiteral(HMI_TEST_BIN_DIR) : dir;
    }
    static QString program() { return binDir() + QStringLiteral("/CommServer"); }

    // Arguments of the next start, after the socket name.
    void setArgs(const QStringList& args) { m_args = args; }
    const QString& socket() const { return m_socket; }
    QProcess& process() { return m_process; }

    // Starts it and waits for its "ready" line.
    bool start()
    {
        m_process.setProgram(program());
        m_process.setArguments(QStringList{QStringLiteral("--socket"), m_socket} + m_args);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return false;
        const QDeadlineTimer deadline(5000);
        while (!m_process.canReadLine() && !deadline.hasExpired())
            if (!m_process.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime()))))
                break;
        if (m_process.readLine().startsWith("ready"))
            return true;
        // Say why, or a failed start is a riddle in a parallel run.
        m_process.waitForFinished(1000);
        qWarning("CommServer did not start: %s", m_process.readAllStandardError().constData());
        return false;
    }

    void kill()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    // Runs the control command against this server: CommServer --socket NAME args...
    int control(const QStringList& args, QString* output = nullptr) const
    {
        QProcess p;
        p.start(program(), QStringList{QStringLiteral("--socket"), m_socket} + args);
        p.waitForFinished(10000);
        if (output)
            *output = QString::fromLatin1(p.readAllStandardOutput()).trimmed();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    QString get(const QString& topic, const QString& item) const
    {
        QString out;
        control({QStringLiteral("--get"), topic, item}, &out);
        return out;
    }
    int set(const QString& topic, const QString& item, const QString& value) const
    {
        // "--" lets a negative value through as a value.
        return control({QStringLiteral("--set"), QStringLiteral("--"), topic, item, value});
    }

private:
    QStringList m_args;
    QString m_socket;
    QProcess m_process;
};
