#include "LinkProtocol.h"
#include "LinkServer.h"
#include "LinkTestServer.h"

#include <QDir>
#include <QLocalSocket>

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A client that writes and never reads, on a plain socket, so nothing reads its answers behind its back.
class DeafClient {
public:
    explicit DeafClient(const QString& socketName)
    {
        const QByteArray path = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + socketName);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::copy_n(path.constData(), std::min<size_t>(size_t(path.size()), sizeof address.sun_path - 1),
                    address.sun_path);
        m_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (m_fd >= 0 && ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~DeafClient()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool connected() const { return m_fd >= 0; }
    // False once the server has closed the connection.
    bool write(const QByteArray& bytes)
    {
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t n = ::send(m_fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }

private:
    int m_fd = -1;
};

} // namespace

// The answer to an over-long line used to push the backlog over its limit while the read loop went on with
// the connection it had just deleted, and the server died with every program's live values.
TEST(SlowClientTest, AClientThatNeverReadsIsDroppedAndTheServerServesTheOthers)
{
    LinkTestServer server;
    ASSERT_TRUE(server.start());
    DeafClient deaf(server.socket());
    ASSERT_TRUE(deaf.connected());

    // Short requests with long error answers bring the backlog just under its limit, whatever the kernel
    // holds; only answers to over-long lines can then cross it.
    const QByteArray shortRequest = "X\t1\t\n";
    const qsizetype answer = LinkProtocol::encodeLine({"ERR", "1", "5", "malformed request: unknown verb 'X'"}).size();
    ASSERT_TRUE(deaf.write(shortRequest.repeated(LinkServer::MaxBacklogBytes / answer - 1)));
    const QByteArray overlong = "X\t1\t" + QByteArray(LinkProtocol::MaxLineBytes, 'x') + "\n";
    const QByteArray burst = overlong.repeated(64);
    bool dropped = false;
    for (int i = 0; i < 400 && !dropped; ++i)
        dropped = !deaf.write(burst);
    ASSERT_TRUE(dropped) << "the server never dropped the client";

    QProcess& process = server.process();
    process.setReadChannel(QProcess::StandardError);
    if (process.bytesAvailable() == 0)
        process.waitForReadyRead(2000);
    EXPECT_TRUE(process.readAllStandardError().contains("a client stopped reading"));
    ASSERT_EQ(process.state(), QProcess::Running);
    QLocalSocket other;
    other.connectToServer(server.socket());
    ASSERT_TRUE(other.waitForConnected(2000));
    other.write(LinkProtocol::encodeLine({"PING", "2"}));
    LinkProtocol::LineBuffer answers;
    QByteArray line;
    while (answers.next(&line) == LinkProtocol::LineBuffer::Kind::None && other.waitForReadyRead(3000))
        answers.append(other.readAll());
    EXPECT_EQ(line, "OK\t2\tRSLinx\t");
    EXPECT_EQ(process.state(), QProcess::Running);
}
