#include "LinkClient.h"

#include "LinkBox.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QLocalSocket>
#include <QTimer>

namespace {

QPointer<LinkClient> s_instance;

const QString Ok = QStringLiteral("OK");
const QString Data = QStringLiteral("DATA");
const QString Advise = QStringLiteral("ADVISE");

template <class Links, class Action>
void forEachBox(const Links& links, const Action& action)
{
    for (const auto& boxes : links)
        for (const QPointer<LinkBox>& box : boxes)
            if (box)
                action(box);
}

} // namespace

struct LinkClient::Wait {
    QEventLoop loop;
    // Requests of this wait not yet answered.
    int open = 0;
};

struct LinkClient::Pending {
    QString verb;
    QString key;
    quint64 id = 0;
    QDeadlineTimer deadline;
    bool answered = false;
    bool lost = false;
    QStringList reply;
    Wait* wait = nullptr;
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

LinkClient::LinkClient(QObject* parent) : QObject(parent), m_pingTimer(new QTimer(this))
{
    m_pingTimer->setObjectName(QStringLiteral("Ping"));
    m_pingTimer->setInterval(PingIntervalMs);
    connect(m_pingTimer, &QTimer::timeout, this, &LinkClient::Ping_Timer);
}

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
    m_heard = false;
    m_pinged = false;
    m_heardAtMs = QDateTime::currentMSecsSinceEpoch();
    m_pingTimer->start();
    return {};
}

void LinkClient::Ping_Timer()
{
    if (!isConnected())
        return;
    // Bytes the kernel holds count as heard, though the event loop has not read them yet.
    m_socket->waitForReadyRead(0);
    // Reading may have found the connection closed.
    if (!m_socket)
        return;
    if (m_socket->bytesAvailable() > 0)
        m_heard = true;
    if (std::exchange(m_heard, false)) {
        m_pinged = false;
        return;
    }
    if (m_pinged) {
        lost();
        return;
    }
    m_pinged = true;
    // Its answer matches no wait and is dropped; that it came is what counts.
    m_socket->write(LinkProtocol::encodeLine({QStringLiteral("PING"), QString::number(m_nextId++)}));
}

Result<QStringList> LinkClient::request(const QStringList& fields, int timeoutMs)
{
    if (Status s = ensureConnected(timeoutMs); !s)
        return s.error();
    Pending p;
    send(p, fields, timeoutMs);
    wait({&p});
    return outcome(p);
}

void LinkClient::send(Pending& p, const QStringList& fields, int timeoutMs)
{
    p.id = m_nextId++;
    p.verb = fields.value(0);
    p.deadline = QDeadlineTimer(timeoutMs);
    if (p.verb == Advise)
        p.key = keyOf(fields.value(1), fields.value(2));
    // Writing may have found the connection closed under an earlier request of the same wait.
    if (!m_socket) {
        p.lost = true;
        return;
    }
    if (p.verb == Advise)
        ++m_inFlight[p.key];
    QStringList line = fields;
    line.insert(1, QString::number(p.id));
    m_socket->write(LinkProtocol::encodeLine(line));
    m_pending.insert(p.id, &p);
}

void LinkClient::wait(const QList<Pending*>& pending)
{
    Wait w;
    for (Pending* p : pending) {
        p->wait = &w;
        ++w.open;
    }
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &w.loop, &QEventLoop::quit);
    ++m_waiting;
    // Answers may already be here if a nested wait read them.
    receive();
    for (;;) {
        qint64 next = -1;
        for (const Pending* p : pending) {
            if (p->lost) {
                next = -1;
                break;
            }
            if (!p->answered && !p->deadline.hasExpired())
                next = next < 0 ? p->deadline.remainingTime() : qMin(next, p->deadline.remainingTime());
        }
        if (next < 0)
            break;
        timer.start(static_cast<int>(next));
        w.loop.exec();
    }
    --m_waiting;
    for (const Pending* p : pending) {
        m_pending.remove(p->id);
        if (!p->answered && !p->lost && p->verb == Advise)
            m_abandoned.insert(p->id, p->key);
    }
    // Pushes held back during the wait go out once the caller has taken its answer.
    if (m_waiting == 0 && !m_deferred.empty())
        QTimer::singleShot(0, this, &LinkClient::flushDeferred);
}

Result<QStringList> LinkClient::outcome(const Pending& p)
{
    if (p.lost)
        return RunError::of(ErrNo::NoForeignApplication);
    if (!p.answered)
        return RunError::of(ErrNo::DdeTimeout);
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
    const QByteArray bytes = m_socket->readAll();
    if (!bytes.isEmpty()) {
        m_heard = true;
        m_heardAtMs = QDateTime::currentMSecsSinceEpoch();
    }
    m_buffer.append(bytes);
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
        if (--p->wait->open == 0)
            p->wait->loop.quit();
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
    return linked(guard, keyOf(topic, item), request({Advise, topic, item}, timeoutMs));
}

QList<Result<QString>> LinkClient::adviseAll(const QList<AdviseRequest>& requests)
{
    int longest = 0;
    for (const AdviseRequest& r : requests)
        longest = qMax(longest, r.timeoutMs);
    if (Status s = ensureConnected(longest); !s)
        return QList<Result<QString>>(requests.size(), s.error());
    std::vector<Pending> pending(static_cast<size_t>(requests.size()));
    QList<Pending*> waiting;
    QList<QPointer<LinkBox>> guards;
    for (qsizetype i = 0; i < requests.size(); ++i) {
        const AdviseRequest& r = requests[i];
        send(pending[static_cast<size_t>(i)], {Advise, r.topic, r.item}, r.timeoutMs);
        waiting.append(&pending[static_cast<size_t>(i)]);
        guards.append(r.box);
    }
    wait(waiting);
    QList<Result<QString>> results;
    for (qsizetype i = 0; i < requests.size(); ++i) {
        const Pending& p = pending[static_cast<size_t>(i)];
        results.append(linked(guards[i], p.key, outcome(p)));
    }
    return results;
}

Result<QString> LinkClient::linked(const QPointer<LinkBox>& box, const QString& key,
                                   const Result<QStringList>& reply)
{
    if (!reply || !box) {
        settle(key);
        return reply ? RunError::of(ErrNo::ElementNotFound) : reply.error();
    }
    m_links[key].append(box);
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
    const QDateTime confirmedAt = QDateTime::fromMSecsSinceEpoch(m_heardAtMs);
    forEachBox(closeSocket(), [&confirmedAt](LinkBox* box) { loseLink(box, confirmedAt); });
    Q_EMIT connectionLost();
    reportConnectionLost();
}

QHash<QString, QList<QPointer<LinkBox>>> LinkClient::closeSocket()
{
    if (!m_socket)
        return {};
    QLocalSocket* socket = m_socket;
    m_socket = nullptr;
    m_pingTimer->stop();
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
        // A request not yet waited for has no loop to leave.
        if (p->wait)
            p->wait->loop.quit();
    }
    return std::exchange(m_links, {});
}
