// Request lines sent to the link server over a real local socket, answers read as a client would.
#include "FuzzSupport.h"
#include "LinkProtocol.h"
#include "LinkServer.h"
#include "ValueStore.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocalSocket>

namespace {

// The answer to a line sent after the input: the server has read all of the input once it comes.
const QByteArray EndRequest = "\r\nPING\tend\t\r\n";
const QByteArray EndAnswer = "OK\tend\tRSLinx\t";

bool readEnd(QLocalSocket& client, LinkProtocol::LineBuffer& answers)
{
    answers.append(client.readAll());
    QByteArray line;
    while (answers.next(&line) != LinkProtocol::LineBuffer::Kind::None)
        if (line == EndAnswer)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::init();
    ValueStore store;
    LinkServer server(store);
    const QString name = FuzzSupport::appPath(QStringLiteral("link.sock"));
    QString why;
    if (!server.listen(name, &why))
        qFatal("fuzz: cannot listen on %s: %s", qPrintable(name), qPrintable(why));
    {
        QLocalSocket client;
        client.connectToServer(name);
        client.write(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)) + EndRequest);
        LinkProtocol::LineBuffer answers;
        const QDeadlineTimer deadline(10000);
        while (client.state() == QLocalSocket::ConnectedState && !readEnd(client, answers)) {
            if (deadline.hasExpired())
                qFatal("fuzz: the server never answered the line after the input");
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
