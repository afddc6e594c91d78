#include "ControlCommand.h"

#include "LinkProtocol.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QTextStream>
#include <QThread>

namespace ControlCommand {

namespace {

// A server started a moment ago ("CommServer & CommServer --get ...") may not listen yet; a quit has
// nothing to wait for.
bool connectWithin(QLocalSocket& socket, const QString& socketName, int patienceMs)
{
    const QDeadlineTimer deadline(patienceMs);
    for (;;) {
        socket.connectToServer(socketName);
        if (socket.waitForConnected(2000))
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
}

} // namespace

int run(const QString& socketName, const QStringList& fields)
{
    QTextStream out(stdout), err(stderr);
    QLocalSocket socket;
    const int patienceMs = fields.value(0) == QLatin1String("QUIT") ? 0 : 2000;
    if (!connectWithin(socket, socketName, patienceMs)) {
        err << "CommServer: no server answers on " << socketName << Qt::endl;
        return 1;
    }
    QStringList request = fields;
    request.insert(1, QStringLiteral("1"));
    socket.write(LinkProtocol::encodeLine(request));

    LinkProtocol::LineBuffer buffer;
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        if (!socket.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime()))))
            break;
        buffer.append(socket.readAll());
        QByteArray line;
        while (buffer.next(&line) != LinkProtocol::LineBuffer::Kind::None) {
            const QStringList f = LinkProtocol::decodeLine(line);
            if (f.value(1) != QLatin1String("1"))
                continue;
            if (f.value(0) == QLatin1String("OK")) {
                if (f.size() > 2)
                    out << f[2] << Qt::endl;
                return 0;
            }
            err << "CommServer: " << f.value(3) << " " << f.value(2) << Qt::endl;
            return 2;
        }
    }
    err << "CommServer: no answer from " << socketName << Qt::endl;
    return 2;
}

} // namespace ControlCommand
