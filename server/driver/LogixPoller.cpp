#include "LogixPoller.h"

#include "TagValue.h"

namespace {

// Reply bytes assumed for an item whose type is not known yet: room for a string.
constexpr qsizetype UnknownReplySize = 4 + 4 + 88;
// Encapsulation and item headers around a connected request.
constexpr int PacketOverhead = 64;
constexpr quint8 EmbeddedServiceError = 0x1E;

Result<Cip::Reply> replyTo(const Result<QByteArray>& cip, quint8 service)
{
    if (!cip)
        return cip.error();
    return Cip::parseReply(*cip, service);
}

} // namespace

QString LogixPoller::prepare(const QString& key, const QString& item)
{
    const Result<LogixTag::Ref> ref = LogixTag::parse(item);
    if (!ref)
        return ref.error().description;
    m_refs.insert(key, *ref);
    return {};
}

void LogixPoller::forget(const QString& key)
{
    m_refs.remove(key);
    m_types.remove(key);
}

void LogixPoller::readItems(const QStringList& keys)
{
    if (!m_multiple) {
        for (const QString& key : keys)
            sendSingle(key);
        return;
    }
    QList<qsizetype> requestSizes, replySizes;
    for (const QString& key : keys) {
        requestSizes << LogixTag::read(m_refs.value(key).path).size();
        const QByteArray type = m_types.value(key);
        replySizes << (type.isEmpty() ? UnknownReplySize : 4 + type.size() + TagValue::width(type));
    }
    const auto batches = Cip::packBatches(requestSizes, replySizes, m_link.connectionSize() - PacketOverhead);
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
    send(LogixTag::read(m_refs.value(key).path),
         [this, key](const Result<QByteArray>& cip) { apply(key, replyTo(cip, LogixTag::ReadTag)); });
}

void LogixPoller::sendBatch(const QStringList& keys)
{
    QList<QByteArray> requests;
    for (const QString& key : keys)
        requests << LogixTag::read(m_refs.value(key).path);
    send(Cip::multipleService(requests),
         [this, keys](const Result<QByteArray>& cip) { batchAnswered(keys, cip); });
}

void LogixPoller::batchAnswered(const QStringList& keys, const Result<QByteArray>& cip)
{
    const Result<Cip::Reply> reply = replyTo(cip, Cip::MultipleService);
    if (!reply)
        return dropUnlessTransport(reply.error());
    if (reply->status == Cip::ServiceNotSupported) {
        // One request per item from now on.
        m_multiple = false;
        for (const QString& key : keys)
            if (m_refs.contains(key))
                sendSingle(key);
        return;
    }
    if (!reply->ok() && reply->status != EmbeddedServiceError) {
        for (const QString& key : keys)
            apply(key, *reply);
        return;
    }
    // An embedded service error still carries every reply.
    const Result<QList<QByteArray>> parts = Cip::multipleReplies(reply->data, keys.size());
    if (!parts)
        return m_link.drop(parts.error().description);
    for (int i = 0; i < keys.size(); ++i)
        apply(keys[i], Cip::parseReply(parts->at(i), LogixTag::ReadTag));
}

void LogixPoller::apply(const QString& key, const Result<Cip::Reply>& reply)
{
    const auto ref = m_refs.constFind(key);
    if (ref == m_refs.cend())
        return;
    if (!reply)
        return dropUnlessTransport(reply.error());
    if (!reply->ok())
        return settle(key, serverError(Cip::statusText(reply->status, reply->extended)));
    const Result<TagValue::Typed> typed = TagValue::fromReply(reply->data);
    if (!typed) {
        if (typed.error().number != ErrNo::TypeMismatch)
            return m_link.drop(typed.error().description);
        return settle(key, serverError(typed.error().description));
    }
    m_types.insert(key, typed->type);
    const Result<QString> text = TagValue::text(*typed, ref->bit);
    settle(key, text ? *text : serverError(text.error().description));
}

void LogixPoller::writeItem(const QString& key, const QString& value, WriteDone done)
{
    const LogixTag::Ref ref = m_refs.value(key);
    if (const QByteArray type = m_types.value(key); !type.isEmpty())
        return writeTyped(ref, type, value, std::move(done));
    // The controller says the type first.
    m_link.send(LogixTag::read(ref.path), [this, key, ref, value, done](const Result<QByteArray>& cip) {
        const Result<Cip::Reply> reply = replyTo(cip, LogixTag::ReadTag);
        if (!reply)
            return done(false, reply.error().description);
        if (!reply->ok())
            return done(false, Cip::statusText(reply->status, reply->extended));
        const Result<TagValue::Typed> typed = TagValue::fromReply(reply->data);
        if (!typed)
            return done(false, typed.error().description);
        if (m_refs.contains(key))
            m_types.insert(key, typed->type);
        writeTyped(ref, typed->type, value, done);
    });
}

void LogixPoller::writeTyped(const LogixTag::Ref& ref, const QByteArray& type, const QString& value,
                             WriteDone done)
{
    QByteArray request;
    QString stored;
    if (ref.bit >= 0) {
        bool number = false;
        const double v = value.trimmed().toDouble(&number);
        if (!number)
            return done(false, QStringLiteral("'%1' is not a number").arg(value.left(40)));
        if (!TagValue::isInteger(type) || ref.bit >= 8 * TagValue::width(type))
            return done(false, QStringLiteral("bit %1 is beyond the tag's bits").arg(ref.bit));
        request = LogixTag::writeBit(ref.path, TagValue::width(type), ref.bit, v != 0);
        stored = v != 0 ? QStringLiteral("1") : QStringLiteral("0");
    } else {
        const Result<QByteArray> data = TagValue::encode(type, value);
        if (!data)
            return done(false, data.error().description);
        request = LogixTag::write(ref.path, type, *data);
        stored = TagValue::text({type, *data}).value();
    }
    const quint8 service = static_cast<quint8>(request[0]);
    m_link.send(request, [service, stored, done](const Result<QByteArray>& cip) {
        const Result<Cip::Reply> reply = replyTo(cip, service);
        if (!reply)
            return done(false, reply.error().description);
        if (!reply->ok())
            return done(false, Cip::statusText(reply->status, reply->extended));
        done(true, stored);
    });
}
