#include "LinkServer.h"

#include "ItemAddress.h"
#include "LinkProtocol.h"
#include "LinkServerListener.h"
#include "RunError.h"
#include "ValueStore.h"
#include "driver/DriverHub.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QTimer>

#include <deque>

// Deleted later, never at once: a dropped connection may still be on the stack of the read loop, a push
// or a delayed answer, which look at `closing` and let it be.
struct ServerConnection : QObject {
    using QObject::QObject;
    bool closing = false;
    QLocalSocket* socket = nullptr;
    LinkProtocol::LineBuffer buffer;
    // Item key -> the spellings ("topic\titem") this connection advised it under; pushes use them.
    QHash<QString, QSet<QString>> links;
    int linkCount = 0;
    std::deque<std::pair<QDeadlineTimer, QByteArray>> delayed;
    QTimer* delayTimer = nullptr;
    // Answers a controller gives later check it, as the connection may be gone by then.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

namespace {

const QString Ok = QStringLiteral("OK");
const QString Err = QStringLiteral("ERR");

QString refusedText(const QString& why)
{
    return QStringLiteral("Foreign application won't perform DDE method or operation: ") + why;
}

} // namespace

LinkServer::LinkServer(ValueStore& store, QObject* parent)
    : QObject(parent), m_store(store), m_listener(new LinkServerListener(this))
{
    connect(m_listener, &LinkServerListener::connected, this, &LinkServer::accept);
    connect(&m_store, &ValueStore::changed, this, &LinkServer::push);
}

LinkServer::~LinkServer()
{
    // The connections are children and go with this object; their sockets must not call back meanwhile.
    for (ServerConnection* c : std::as_const(m_connections))
        c->socket->disconnect(this);
}

bool LinkServer::listen(const QString& name, QString* error)
{
    return m_listener->listen(name, error);
}

void LinkServer::accept(QLocalSocket* socket)
{
    auto* c = new ServerConnection(this);
    c->socket = socket;
    socket->setParent(c);
    m_connections.insert(c);
    connect(socket, &QLocalSocket::readyRead, this, [this, c] { receive(c); });
    connect(socket, &QLocalSocket::disconnected, this, [this, c] { drop(c); });
    if (socket->bytesAvailable() > 0)
        receive(c);
}

void LinkServer::receive(ServerConnection* c)
{
    c->buffer.append(c->socket->readAll());
    QByteArray line;
    for (;;) {
        const auto kind = c->buffer.next(&line);
        if (kind == LinkProtocol::LineBuffer::Kind::None)
            break;
        if (kind == LinkProtocol::LineBuffer::Kind::Overlong) {
            // Answer at once with the id from the line's start, so the client need not wait for a time-out.
            const QStringList f = LinkProtocol::decodeLine(line);
            send(c, {Err, f.value(1, QStringLiteral("0")).left(20), QString::number(ErrNo::InvalidCall),
                     QStringLiteral("line longer than %1 bytes").arg(LinkProtocol::MaxLineBytes)});
            // Its answer may have overfilled the backlog.
            if (c->closing)
                return;
            continue;
        }
        if (m_delayMs > 0) {
            c->delayed.emplace_back(QDeadlineTimer(m_delayMs), line);
            if (!c->delayTimer) {
                c->delayTimer = new QTimer(c->socket);
                c->delayTimer->setSingleShot(true);
                connect(c->delayTimer, &QTimer::timeout, this, [this, c] { drainDelayed(c); });
            }
            if (!c->delayTimer->isActive())
                c->delayTimer->start(static_cast<int>(c->delayed.front().first.remainingTime()));
            continue;
        }
        handle(c, line);
        // A QUIT or an overfull backlog may have ended the connection.
        if (c->closing)
            return;
    }
}

void LinkServer::drainDelayed(ServerConnection* c)
{
    while (!c->delayed.empty() && c->delayed.front().first.hasExpired()) {
        const QByteArray line = c->delayed.front().second;
        c->delayed.pop_front();
        handle(c, line);
        if (c->closing)
            return;
    }
    if (!c->delayed.empty())
        c->delayTimer->start(static_cast<int>(c->delayed.front().first.remainingTime()));
}

void LinkServer::handle(ServerConnection* c, const QByteArray& line)
{
    const QStringList f = LinkProtocol::decodeLine(line);
    const QString verb = f.value(0);
    const QString id = f.value(1);
    auto fail = [&](int number, const QString& text) {
        send(c,
             {Err, id.isEmpty() || id.size() > 20 ? QStringLiteral("0") : id, QString::number(number), text});
    };
    if (id.isEmpty() || id.size() > 20) {
        fail(ErrNo::InvalidCall, QStringLiteral("malformed request: no request id"));
        return;
    }
    const bool itemVerb = verb == QLatin1String("ADVISE") || verb == QLatin1String("UNADVISE") ||
                          verb == QLatin1String("POKE") || verb == QLatin1String("GET");
    const QString topic = f.value(2), item = f.value(3);
    if (itemVerb) {
        if (f.size() < (verb == QLatin1String("POKE") ? 5 : 4)) {
            fail(ErrNo::InvalidCall, QStringLiteral("malformed request: %1 needs more fields").arg(verb));
            return;
        }
        // No topic: as with a real server, nobody answers the conversation.
        if (topic.trimmed().isEmpty()) {
            fail(ErrNo::NoForeignApplication, RunError::of(ErrNo::NoForeignApplication).description);
            return;
        }
    }

    if (verb == QLatin1String("ADVISE")) {
        const ItemAddress address = ItemAddress::parse(item);
        if (!address.valid) {
            // The link opens but only ever shows why the item was refused.
            send(c, {Ok, id, ValueStore::serverError(address.error)});
            return;
        }
        const QString key = ValueStore::keyOf(topic, address);
        QSet<QString>& spellings = c->links[key];
        const QString spelling = topic + QLatin1Char('\t') + item;
        if (!spellings.contains(spelling)) {
            if (c->linkCount >= MaxLinksPerConnection) {
                if (spellings.isEmpty())
                    c->links.remove(key);
                fail(281, QStringLiteral("No more DDE channels"));
                return;
            }
            spellings.insert(spelling);
            ++c->linkCount;
        }
        const bool first = !m_subscribers.contains(key);
        m_subscribers[key].insert(c);
        if (driven(topic)) {
            if (first)
                m_drivers->link(key, topic, item);
            m_drivers->read(topic, item, [answer = later(c), id](const QString& v) { answer({Ok, id, v}); });
            return;
        }
        send(c, {Ok, id, m_store.read(topic, item)});
    } else if (verb == QLatin1String("UNADVISE")) {
        const ItemAddress address = ItemAddress::parse(item);
        const QString key = ValueStore::keyOf(topic, address);
        auto it = c->links.find(key);
        if (address.valid && it != c->links.end() && it->remove(topic + QLatin1Char('\t') + item)) {
            --c->linkCount;
            if (it->isEmpty()) {
                c->links.erase(it);
                auto subs = m_subscribers.find(key);
                if (subs != m_subscribers.end() && (subs->remove(c), subs->isEmpty())) {
                    m_subscribers.erase(subs);
                    forget(key);
                }
            }
        }
        send(c, {Ok, id});
    } else if (verb == QLatin1String("POKE")) {
        const ItemAddress address = ItemAddress::parse(item);
        if (!address.valid) {
            fail(285, refusedText(address.error));
            return;
        }
        if (driven(topic)) {
            m_drivers->write(topic, item, f[4], [answer = later(c), id](bool ok, const QString& v) {
                answer(ok ? QStringList{Ok, id, v}
                          : QStringList{Err, id, QStringLiteral("285"), refusedText(v)});
            });
            return;
        }
        const ItemAddress::Normalized n = address.normalize(f[4]);
        const QString refused = n.ok ? m_store.refusal(topic, address, n.value) : n.error;
        if (!refused.isEmpty()) {
            fail(285, refusedText(refused));
            return;
        }
        // The answer goes first, so the poker sees the pushed value after its poke has returned.
        send(c, {Ok, id, n.value});
        (void)m_store.write(topic, item, n.value);
    } else if (verb == QLatin1String("GET")) {
        if (driven(topic))
            m_drivers->read(topic, item, [answer = later(c), id](const QString& v) { answer({Ok, id, v}); });
        else
            send(c, {Ok, id, m_store.read(topic, item)});
    } else if (verb == QLatin1String("PING")) {
        send(c, {Ok, id, QString::fromLatin1(LinkProtocol::ApplicationName)});
    } else if (verb == QLatin1String("QUIT")) {
        send(c, {Ok, id});
        if (!c->closing)
            c->socket->flush();
        Q_EMIT quitRequested();
    } else {
        fail(ErrNo::InvalidCall, QStringLiteral("malformed request: unknown verb '%1'").arg(verb.left(20)));
    }
}

void LinkServer::push(const QString& key, const QString& value)
{
    const auto subs = m_subscribers.constFind(key);
    if (subs == m_subscribers.cend())
        return;
    // Copy: a connection that falls too far behind is dropped while we iterate.
    const QSet<ServerConnection*> targets = *subs;
    for (ServerConnection* c : targets) {
        if (c->closing)
            continue;
        const auto spellings = c->links.constFind(key);
        if (spellings == c->links.cend())
            continue;
        // Copy (shared, not deep): sending may drop the connection and its links with it.
        const QSet<QString> names = *spellings;
        for (const QString& spelling : names) {
            const qsizetype tab = spelling.indexOf(QLatin1Char('\t'));
            send(c, {QStringLiteral("DATA"), spelling.left(tab), spelling.mid(tab + 1), value});
            if (c->closing)
                break;
        }
    }
}

void LinkServer::send(ServerConnection* c, const QStringList& fields)
{
    if (c->closing)
        return;
    c->socket->write(LinkProtocol::encodeLine(fields));
    if (c->socket->bytesToWrite() > MaxBacklogBytes) {
        qWarning("CommServer: a client stopped reading; its links are dropped");
        drop(c);
    }
}

void LinkServer::drop(ServerConnection* c)
{
    if (c->closing)
        return;
    c->closing = true;
    m_connections.remove(c);
    for (auto it = c->links.cbegin(); it != c->links.cend(); ++it) {
        auto subs = m_subscribers.find(it.key());
        if (subs != m_subscribers.end() && (subs->remove(c), subs->isEmpty())) {
            m_subscribers.erase(subs);
            forget(it.key());
        }
    }
    if (c->delayTimer) {
        c->delayTimer->stop();
        c->delayTimer->disconnect(this);
    }
    c->socket->disconnect(this);
    c->socket->abort();
    // The socket and its timer go with it.
    c->deleteLater();
}

std::function<void(const QStringList&)> LinkServer::later(ServerConnection* c)
{
    return [this, c, alive = std::weak_ptr<bool>(c->alive)](const QStringList& fields) {
        if (!alive.expired())
            send(c, fields);
    };
}

bool LinkServer::driven(const QString& topic) const
{
    return m_drivers && m_drivers->serves(topic);
}

void LinkServer::forget(const QString& key)
{
    if (!m_drivers)
        return;
    m_drivers->unlink(key);
    // What a controller holds is read again when linked again; the simulation keeps its values.
    if (driven(key.section(QLatin1Char('\t'), 0, 0)))
        m_store.forget(key);
}
