#include "LogixPoller.h"

#include "TagValue.h"
#include "ValueStore.h"

namespace {

// Reply bytes assumed for an item whose type is not known yet: room for a string.
constexpr qsizetype UnknownReplySize = 4 + 4 + 88;
// Encapsulation and item headers around a connected request.
constexpr int PacketOverhead = 64;

Result<Cip::Reply> replyTo(const Result<QByteArray>& cip, quint8 service)
{
    if (!cip)
        return cip.error();
    return Cip::parseReply(*cip, service);
}

} // namespace

LogixPoller::LogixPoller(const TopicConfig& config, ValueStore& store, QObject* parent)
    : QObject(parent), m_config(config), m_store(store),
      m_link({config.host, config.port, Cip::route(config.path).value(), config.timeoutMs}, this)
{
    m_timer.setInterval(config.intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &LogixPoller::poll);
    connect(&m_link, &ControllerLink::up, this, &LogixPoller::poll);
    connect(&m_link, &ControllerLink::down, this, &LogixPoller::linkDown);
    m_timer.start();
}

QString LogixPoller::serverError(const QString& why) const
{
    return ValueStore::serverError(m_config.topic + QStringLiteral(": ") + why);
}

LogixPoller::Item& LogixPoller::itemFor(const QString& key, const QString& spelling)
{
    auto it = m_items.find(key);
    if (it == m_items.end()) {
        it = m_items.insert(key, Item());
        it->spelling = spelling;
        it->ref = LogixTag::parse(spelling);
    }
    return *it;
}

void LogixPoller::link(const QString& key, const QString& item)
{
    Item& i = itemFor(key, item);
    ++i.linked;
    if (!i.ref)
        m_store.set(key, ValueStore::serverError(i.ref.error().description));
    else if (!m_link.isUp() && !m_link.failure().isEmpty())
        m_store.set(key, serverError(m_link.failure()));
}

void LogixPoller::unlink(const QString& key)
{
    auto it = m_items.find(key);
    if (it != m_items.end() && --it->linked <= 0 && it->waiting.isEmpty())
        m_items.erase(it);
}

void LogixPoller::read(const QString& key, const QString& item, ReadDone done)
{
    Item& i = itemFor(key, item);
    if (!i.ref) {
        done(ValueStore::serverError(i.ref.error().description));
    } else if (i.linked > 0 && i.known) {
        done(i.value);
    } else if (!m_link.isUp() && !m_link.failure().isEmpty()) {
        done(serverError(m_link.failure()));
    } else {
        i.waiting << std::move(done);
        poll();
    }
    if (i.linked <= 0 && i.waiting.isEmpty())
        m_items.remove(key);
}

void LogixPoller::poll()
{
    if (m_outstanding > 0)
        return;
    QStringList keys;
    QList<qsizetype> requestSizes, replySizes;
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it) {
        if (!it->ref || (it->linked <= 0 && it->waiting.isEmpty()))
            continue;
        keys << it.key();
        requestSizes << LogixTag::read(it->ref->path).size();
        replySizes << (it->type.isEmpty() ? UnknownReplySize : 4 + it->type.size() + TagValue::width(it->type));
    }
    if (keys.isEmpty())
        return;
    if (!m_link.isUp()) {
        m_link.open();
        return;
    }
    ++m_stats.cycles;
    if (!m_multiple) {
        for (const QString& key : std::as_const(keys))
            sendSingle(key);
        return;
    }
    const auto batches =
        Cip::packBatches(requestSizes, replySizes, m_link.connectionSize() - PacketOverhead);
    for (const QList<int>& batch : batches) {
        if (batch.size() == 1) {
            sendSingle(keys[batch.first()]);
            continue;
        }
        QStringList part;
        for (int i : batch)
            part << keys[i];
        sendBatch(part);
    }
}

void LogixPoller::sendSingle(const QString& key)
{
    ++m_outstanding;
    ++m_stats.requests;
    m_link.send(LogixTag::read(m_items.value(key).ref->path), [this, key](const Result<QByteArray>& cip) {
        apply(key, replyTo(cip, LogixTag::ReadTag));
        requestDone();
    });
}

void LogixPoller::sendBatch(const QStringList& keys)
{
    QList<QByteArray> requests;
    for (const QString& key : keys)
        requests << LogixTag::read(m_items.value(key).ref->path);
    ++m_outstanding;
    ++m_stats.requests;
    m_link.send(Cip::multipleService(requests), [this, keys](const Result<QByteArray>& cip) {
        batchAnswered(keys, cip);
        requestDone();
    });
}

void LogixPoller::batchAnswered(const QStringList& keys, const Result<QByteArray>& cip)
{
    const Result<Cip::Reply> reply = replyTo(cip, Cip::MultipleService);
    if (!reply) {
        for (const QString& key : keys)
            apply(key, reply);
        return;
    }
    if (reply->status == Cip::ServiceNotSupported) {
        // One request per item from now on.
        m_multiple = false;
        for (const QString& key : keys)
            if (m_items.contains(key))
                sendSingle(key);
        return;
    }
    // An embedded service error still carries every reply.
    const bool carried = reply->ok() || reply->status == 0x1E;
    const Result<QList<QByteArray>> parts = carried ? Cip::multipleReplies(reply->data, keys.size())
                                                    : Result<QList<QByteArray>>(QList<QByteArray>());
    if (!parts)
        return m_link.drop(parts.error().description);
    for (int i = 0; i < keys.size(); ++i) {
        if (!carried)
            apply(keys[i], *reply);
        else
            apply(keys[i], Cip::parseReply(parts->at(i), LogixTag::ReadTag));
    }
}

void LogixPoller::apply(const QString& key, const Result<Cip::Reply>& reply)
{
    auto it = m_items.find(key);
    if (it == m_items.end())
        return;
    if (!reply) {
        // A transport failure is shown by linkDown; a reply that makes no sense ends the connection.
        if (reply.error().number != ErrNo::DdeTimeout)
            m_link.drop(reply.error().description);
        return;
    }
    ++m_stats.values;
    if (!reply->ok())
        return settle(key, serverError(Cip::statusText(reply->status, reply->extended)));
    const Result<TagValue::Typed> typed = TagValue::fromReply(reply->data);
    if (!typed) {
        if (typed.error().number != ErrNo::TypeMismatch)
            return m_link.drop(typed.error().description);
        return settle(key, serverError(typed.error().description));
    }
    it->type = typed->type;
    const Result<QString> text = TagValue::text(*typed, it->ref->bit);
    settle(key, text ? *text : serverError(text.error().description));
}

void LogixPoller::settle(const QString& key, const QString& value)
{
    auto it = m_items.find(key);
    if (it == m_items.end())
        return;
    it->known = true;
    it->value = value;
    const QList<ReadDone> waiting = std::exchange(it->waiting, {});
    const bool linked = it->linked > 0;
    if (!linked)
        m_items.erase(it);
    // An advise is answered before the links hear of the value.
    for (const ReadDone& done : waiting)
        done(value);
    if (linked)
        m_store.set(key, value);
}

void LogixPoller::requestDone()
{
    if (--m_outstanding > 0)
        return;
    for (const Item& i : std::as_const(m_items))
        if (!i.waiting.isEmpty())
            return poll();
}

void LogixPoller::linkDown(const QString& why)
{
    const QStringList keys = m_items.keys();
    for (const QString& key : keys)
        settle(key, serverError(why));
    for (Item& i : m_items)
        i.known = false;
}

void LogixPoller::write(const QString& key, const QString& item, const QString& value, WriteDone done)
{
    const Item& i = itemFor(key, item);
    if (!i.ref)
        return done(false, i.ref.error().description);
    if (!m_link.isUp() && !m_link.failure().isEmpty())
        return done(false, m_link.failure());
    if (!i.type.isEmpty())
        return writeTyped(key, value, std::move(done));
    // The controller says the type first.
    m_link.send(LogixTag::read(i.ref->path), [this, key, item, value, done](const Result<QByteArray>& cip) {
        const Result<Cip::Reply> reply = replyTo(cip, LogixTag::ReadTag);
        if (!reply)
            return done(false, reply.error().description);
        if (!reply->ok())
            return done(false, Cip::statusText(reply->status, reply->extended));
        const Result<TagValue::Typed> typed = TagValue::fromReply(reply->data);
        if (!typed)
            return done(false, typed.error().description);
        itemFor(key, item).type = typed->type;
        writeTyped(key, value, done);
    });
}

void LogixPoller::writeTyped(const QString& key, const QString& value, WriteDone done)
{
    const Item& i = m_items[key];
    if (!i.ref)
        return done(false, i.ref.error().description);
    const LogixTag::Ref ref = *i.ref;
    QByteArray request;
    Result<QString> stored = QString();
    if (ref.bit >= 0) {
        bool number = false;
        const double v = value.trimmed().toDouble(&number);
        if (!number)
            return done(false, QStringLiteral("'%1' is not a number").arg(value.left(40)));
        if (!TagValue::isInteger(i.type) || ref.bit >= 8 * TagValue::width(i.type))
            return done(false, QStringLiteral("bit %1 is beyond the tag's bits").arg(ref.bit));
        request = LogixTag::writeBit(ref.path, TagValue::width(i.type), ref.bit, v != 0);
        stored = v != 0 ? QStringLiteral("1") : QStringLiteral("0");
    } else {
        const Result<QByteArray> data = TagValue::encode(i.type, value);
        if (!data)
            return done(false, data.error().description);
        request = LogixTag::write(ref.path, i.type, *data);
        stored = TagValue::text({i.type, *data});
    }
    const quint8 service = static_cast<quint8>(request[0]);
    m_link.send(request, [this, key, service, stored, done](const Result<QByteArray>& cip) {
        const Result<Cip::Reply> reply = replyTo(cip, service);
        if (!reply)
            return done(false, reply.error().description);
        if (!reply->ok())
            return done(false, Cip::statusText(reply->status, reply->extended));
        // The poker hears first; then every link, even when the value did not change.
        done(true, *stored);
        auto it = m_items.find(key);
        if (it == m_items.end())
            return;
        if (it->linked > 0) {
            it->value = *stored;
            m_store.set(key, *stored, ValueStore::Announce::Always);
        } else if (it->waiting.isEmpty()) {
            m_items.erase(it);
        }
    });
}
