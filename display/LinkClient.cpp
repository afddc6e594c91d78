#include "LinkClient.h"

#include "LinkBox.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLocalSocket>
#include <QTimer>

namespace {

QPointer<LinkClient> s_instance;

const QString Ok = QStringLiteral("OK");
const QString Data = QStringLiteral("DATA");
const QString Advise = QStringLiteral("ADVISE");

template <class Links>
void forEachBox(const Links& links, void (*action)(LinkBox*))
{
    for (const auto& boxes : links)
        for (const QPointer<LinkBox>& box : boxes)
            if (box)
                action(box);
}

} // namespace

struct LinkClient::Pending {
    QString verb;
    QString key;
    bool answered = false;
    bool lost = false;
    QStringList reply;
    QEventLoop* loop = nullptr;
};

LinkClient& LinkClient::instance()
{
    if (!s_instance)
        s_instance = new LinkClient(QCoreApplication::instance());
    return *s_instance;
}

LinkClient* LinkClient::existing()
{
    return s_instance.data();
}

LinkClient::LinkClient(QObject* parent) : QObject(parent) {}

LinkClient::~LinkClient()
{
    disconnectFromServer();
}

bool LinkClient::isConnected() const
{
    return m_socket && m_socket->state() == QLocalSocket::ConnectedState;
}

int LinkClient::linkCount() const
{
    int n = 0;
    for (const auto& boxes : m_links)
        n += static_cast<int>(boxes.size());
    return n;
}

void LinkClient::disconnectFromServer()
{
    forEachBox(closeSocket(), &LinkBackend::dropLink);
    reportConnectionClosed();
}

Status LinkClient::reconnect(int timeoutMs)
{
    return ensureConnected(timeoutMs);
}

Status LinkClient::ensureConnected(int timeoutMs)
{
    if (isConnected())
        return {};
    if (m_socket)
        lost();
    m_socket = new QLocalSocket(this);
    // Read from the event loop, not inside readyRead: a change handler that links again waits for its
    // answer, and a socket does not signal readyRead again while its own signal is being handled.
    connect(m_socket, &QLocalSocket::readyRead, this, [this] {
        if (!m_receiveQueued) {
            m_receiveQueued = true;
            QMetaObject::invokeMethod(this, &LinkClient::receive, Qt::QueuedConnection);
        }
    });
    connect(m_socket, &QLocalSocket::disconnected, this, &LinkClient::lost);
    m_socket->connectToServer(LinkProtocol::socketName());
    // A local socket connects at once or not at all; the wait only covers a busy machine.
    if (m_socket->state() != QLocalSocket::ConnectedState &&
        !m_socket->waitForConnected(qMin(timeoutMs, 2000))) {
        m_socket->disconnect(this);
        m_socket->deleteLater();
        m_socket = nullptr;
        return Status::fail(ErrNo::NoForeignApplication);
    }
    return {};
}

Result<QStringList> LinkClient::request(const QStringList& fields, int timeoutMs)
{
    if (Status s = ensureConnected(timeoutMs); !s)
        return s.error();
    const quint64 id = m_nextId++;
    Pending p;
    p.verb = fields.value(0);
    if (p.verb == Advise) {
        p.key = keyOf(fields.value(1), fields.value(2));
        ++m_inFlight[p.key];
    }
    QStringList line = fields;
    line.insert(1, QString::number(id));
    m_socket->write(LinkProtocol::encodeLine(line));

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    p.loop = &loop;
    m_pending.insert(id, &p);
    ++m_waiting;
    timer.start(timeoutMs);
    // The answer may already be here if a nested wait read it.
    receive();
    if (!p.answered && !p.lost)
        loop.exec();
    --m_waiting;
    m_pending.remove(id);
    // Pushes held back during the wait go out once the caller has taken its answer.
    if (m_waiting == 0 && !m_deferred.empty())
        QTimer::singleShot(0, this, &LinkClient::flushDeferred);

    if (p.lost)
        return RunError::of(ErrNo::NoForeignApplication);
    if (!p.answered) {
        if (p.verb == Advise)
            m_abandoned.insert(id, p.key);
        return RunError::of(ErrNo::DdeTimeout);
    }
    if (p.reply.value(0) != Ok) {
        bool ok = false;
        const int number = p.reply.value(2).toInt(&ok);
        return ok && number > 0 ? RunError::of(number, p.reply.value(3)) : RunError::of(ErrNo::InvalidCall);
    }
    return p.reply.mid(2);
}

void LinkClient::receive()
{
    m_receiveQueued = false;
    if (!m_socket)
        return;
    m_buffer.append(m_socket->readAll());
    QByteArray line;
    for (;;) {
        const auto kind = m_buffer.next(&line);
        if (kind == LinkProtocol::LineBuffer::Kind::None)
            return;
        if (kind == LinkProtocol::LineBuffer::Kind::Line)
            dispatch(LinkProtocol::decodeLine(line));
        // A handler may have lost the connection.
        if (!m_socket)
            return;
    }
}

void LinkClient::dispatch(const QStringList& fields)
{
    const QString& verb = fields.value(0);
    if (verb == Data) {
        if (fields.size() < 4)
            return;
        if (m_waiting > 0 || !m_deferred.empty())
            m_deferred.push_back(fields);
        else
            deliver(fields);
        return;
    }
    bool ok = false;
    const quint64 id = fields.value(1).toULongLong(&ok);
    if (!ok)
        return;
    if (Pending* p = m_pending.value(id)) {
        if (p->verb == Advise)
            --m_inFlight[p->key];
        p->answered = true;
        p->reply = fields;
        if (p->verb == Advise && verb == Ok)
            m_held.insert(p->key);
        p->loop->quit();
        return;
    }
    // A late answer to an advise we gave up on: the server may hold a link nobody wants.
    const auto it = m_abandoned.find(id);
    if (it != m_abandoned.end()) {
        const QString key = *it;
        m_abandoned.erase(it);
        --m_inFlight[key];
        if (verb == Ok)
            m_held.insert(key);
        settle(key);
    }
}

void LinkClient::flushDeferred()
{
    while (!m_deferred.empty() && m_waiting == 0) {
        const QStringList data = m_deferred.front();
        m_deferred.pop_front();
        deliver(data);
    }
}

void LinkClient::deliver(const QStringList& data)
{
    const auto it = m_links.constFind(keyOf(data[1], data[2]));
    if (it == m_links.cend())
        return;
    // Copy: a change handler may link, unlink or delete boxes.
    const QList<QPointer<LinkBox>> boxes = *it;
    for (const QPointer<LinkBox>& box : boxes)
        if (box)
            deliverValue(box, data[3]);
}

void LinkClient::settle(const QString& key)
{
    if (m_inFlight.value(key) > 0 || !m_links.value(key).isEmpty())
        return;
    m_inFlight.remove(key);
    m_links.remove(key);
    if (m_held.remove(key) && isConnected()) {
        const qsizetype tab = key.indexOf(QLatin1Char('\t'));
        // Its answer matches no wait and is dropped.
        m_socket->write(LinkProtocol::encodeLine(
            {QStringLiteral("UNADVISE"), QString::number(m_nextId++), key.left(tab), key.mid(tab + 1)}));
    }
}

Result<QString> LinkClient::advise(LinkBox* box, const QString& topic, const QString& item, int timeoutMs)
{
    QPointer<LinkBox> guard(box);
    Result<QStringList> reply = request({Advise, topic, item}, timeoutMs);
    const QString key = keyOf(topic, item);
    if (!reply || !guard) {
        settle(key);
        return reply ? RunError::of(ErrNo::ElementNotFound) : reply.error();
    }
    m_links[key].append(guard);
    return reply->value(0);
}

void LinkClient::unadvise(LinkBox* box, const QString& topic, const QString& item)
{
    const QString key = keyOf(topic, item);
    const auto it = m_links.find(key);
    if (it == m_links.end())
        return;
    it->removeIf([box](const QPointer<LinkBox>& b) { return !b || b == box; });
    settle(key);
}

Result<QString> LinkClient::poke(const QString& topic, const QString& item, const QString& value,
                                 int timeoutMs)
{
    Result<QStringList> reply = request({QStringLiteral("POKE"), topic, item, value}, timeoutMs);
    if (!reply)
        return reply.error();
    return reply->value(0);
}

void LinkClient::lost()
{
    if (!m_socket)
        return;
    forEachBox(closeSocket(), &LinkBackend::loseLink);
    Q_EMIT connectionLost();
    reportConnectionLost();
}

QHash<QString, QList<QPointer<LinkBox>>> LinkClient::closeSocket()
{
    if (!m_socket)
        return {};
    QLocalSocket* socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    m_buffer = {};
    m_deferred.clear();
    m_inFlight.clear();
    m_abandoned.clear();
    m_held.clear();
    for (Pending* p : std::as_const(m_pending)) {
        p->lost = true;
        p->loop->quit();
    }
    return std::exchange(m_links, {});
}
