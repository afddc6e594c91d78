#include "LinkServerListener.h"

#include <QLocalSocket>

#ifdef Q_OS_UNIX

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <utility>

namespace {

// Where a local socket of that name lives, as the clients resolve it.
QString socketPath(const QString& name)
{
    return name.startsWith(QLatin1Char('/')) ? name : QDir::tempPath() + QLatin1Char('/') + name;
}

bool outOfDescriptors(int error)
{
    return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

} // namespace

LinkServerListener::LinkServerListener(QObject* parent) : QObject(parent), m_retry(new QTimer(this))
{
    m_retry->setSingleShot(true);
    m_retry->setInterval(RetryMs);
    connect(m_retry, &QTimer::timeout, this, &LinkServerListener::accept);
}

LinkServerListener::~LinkServerListener()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    QFile::remove(m_path);
}

bool LinkServerListener::listen(const QString& name, QString* error)
{
    m_path = socketPath(name);
    const QByteArray path = QFile::encodeName(m_path);
    // Bound in a folder only this user reaches, then moved into place: nobody else can connect meanwhile,
    // and a socket file a killed server left is replaced at once (the caller holds the lock).
    QTemporaryDir staging(QFileInfo(m_path).absolutePath() + QStringLiteral("/.CommServer-XXXXXX"));
    if (!staging.isValid()) {
        *error = staging.errorString();
        return false;
    }
    const QByteArray staged = QFile::encodeName(staging.path() + QStringLiteral("/s"));
    sockaddr_un address{};
    if (static_cast<size_t>(staged.size()) >= sizeof(address.sun_path)) {
        *error = QStringLiteral("socket path too long");
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, staged.constData(), static_cast<size_t>(staged.size()));
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::chmod(staged.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(m_fd, SOMAXCONN) != 0 ||
        ::rename(staged.constData(), path.constData()) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_notifier = new QSocketNotifier(static_cast<qintptr>(m_fd), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &LinkServerListener::accept);
    return true;
}

void LinkServerListener::accept()
{
    for (;;) {
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (!outOfDescriptors(errno))
                return;
            // The waiting connection stays queued; the notifier would fire for it without pause.
            m_notifier->setEnabled(false);
            if (!std::exchange(m_starved, true))
                std::fprintf(
                    stderr,
                    "CommServer: out of file descriptors; new connections wait until some are free\n");
            m_retry->start();
            return;
        }
        m_starved = false;
        m_notifier->setEnabled(true);
        auto* socket = new QLocalSocket;
        if (!socket->setSocketDescriptor(fd)) {
            delete socket;
            ::close(fd);
            continue;
        }
        Q_EMIT connected(socket);
    }
}

#else

#include <QLocalServer>

LinkServerListener::LinkServerListener(QObject* parent) : QObject(parent), m_server(new QLocalServer(this))
{
    connect(m_server, &QLocalServer::newConnection, this, &LinkServerListener::accept);
}

LinkServerListener::~LinkServerListener() = default;

bool LinkServerListener::listen(const QString& name, QString* error)
{
    // Only this user's programs may connect.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(name))
        return true;
    // A server that was killed leaves its name behind; the caller holds the lock, so it is stale.
    QLocalServer::removeServer(name);
    if (m_server->listen(name))
        return true;
    *error = m_server->errorString();
    return false;
}

void LinkServerListener::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(nullptr);
        Q_EMIT connected(socket);
    }
}

#endif
