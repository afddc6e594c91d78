#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;
class QSocketNotifier;
class QTimer;

// Listens on the server's local socket and hands over every connection. Where the platform lets it
// (Unix), a connection that cannot be taken for want of file descriptors leaves the socket listening:
// the failure is said once on stderr and connections are taken again once descriptors are free.
class LinkServerListener : public QObject {
    Q_OBJECT
public:
    explicit LinkServerListener(QObject* parent = nullptr);
    ~LinkServerListener() override;

    // Listens on the socket name, replacing a socket file left behind; false with a reason when it cannot.
    bool listen(const QString& name, QString* error);

    // Pause before trying again after running out of descriptors.
    static constexpr int RetryMs = 200;

Q_SIGNALS:
    // A new connection; the receiver takes ownership.
    void connected(QLocalSocket* socket);

private:
    void accept();
#ifdef Q_OS_UNIX
    int m_fd = -1;
    QString m_path;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_retry = nullptr;
    bool m_starved = false;
#else
    QLocalServer* m_server = nullptr;
#endif
};
