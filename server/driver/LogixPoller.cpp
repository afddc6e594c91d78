#include "LogixPoller.h"

#include "TagValue.h"

#include <algorithm>

namespace {

// A value of a type not known yet is taken to be as wide as a string, the widest served.
constexpr int UnknownWidth = 88;
// Reply header (service, status, extended size) and the type before the data.
constexpr int ReplyHeader = 4 + 2;
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
    // The array's links change: a range read may work again.
    m_singly.remove(ref->array);
    return {};
}

void LogixPoller::forget(const QString& key)
{
    m_singly.remove(m_refs.value(key).array);
    m_refs.remove(key);
    m_types.remove(key);
}

LogixPoller::Read LogixPoller::lone(const QString& key) const
{
    return {FragmentedRead(m_refs.value(key).path, 1), {}, m_types.value(key), {{key, 0}}};
}

QList<LogixPoller::Read> LogixPoller::plan(const QStringList& keys) const
{
    QList<Read> reads;
    QHash<QByteArray, QList<std::pair<quint32, QString>>> arrays;
    for (const QString& key : keys) {
        const LogixTag::Ref ref = m_refs.value(key);
        if (ref.array.isEmpty() || m_singly.contains(ref.array))
            reads << lone(key);
        else
            arrays[ref.array].append({ref.index, key});
    }
    for (auto it = arrays.cbegin(); it != arrays.cend(); ++it)
        planArray(reads, it.key(), it.value());
    return reads;
}

// Runs of linked elements, one read each. A hole between two elements costs its bytes in the reply; a read
// of its own costs its request and reply headers in a packet, or a round trip without one. Holes are read
// while they cost less.
void LogixPoller::planArray(QList<Read>& reads, const QByteArray& array,
                            QList<std::pair<quint32, QString>> elements) const
{
    std::sort(elements.begin(), elements.end());
    const QByteArray type = knownType(elements);
    const int width = type.isEmpty() ? UnknownWidth : qMax(1, TagValue::width(type));
    const qsizetype ownRead = (m_multiple ? 2 + 2 : 2 * PacketOverhead) + ReplyHeader +
                              LogixTag::read(LogixTag::elementOf(array, elements.last().first)).size();
    const quint32 holes = static_cast<quint32>(ownRead / width);
    qsizetype start = 0;
    for (qsizetype i = 1; i <= elements.size(); ++i) {
        const quint32 first = elements[start].first;
        if (i < elements.size() && elements[i].first - elements[i - 1].first <= holes + 1 &&
            elements[i].first - first < 0xFFFF)
            continue;
        Read read{FragmentedRead(LogixTag::elementOf(array, first),
                                 static_cast<quint16>(elements[i - 1].first - first + 1)),
                  array,
                  type,
                  {}};
        for (qsizetype k = start; k < i; ++k)
            read.members.append({elements[k].second, static_cast<int>(elements[k].first - first)});
        reads << read;
        start = i;
    }
}

QByteArray LogixPoller::knownType(const QList<std::pair<quint32, QString>>& elements) const
{
    for (const auto& [index, key] : elements)
        if (const QByteArray type = m_types.value(key); !type.isEmpty())
            return type;
    return {};
}

qsizetype LogixPoller::replySize(const Read& read) const
{
    if (read.type.isEmpty())
        return ReplyHeader + 2 + qsizetype(read.reply.count()) * UnknownWidth;
    return ReplyHeader - 2 + read.type.size() + qsizetype(read.reply.count()) * TagValue::width(read.type);
}

void LogixPoller::readItems(const QStringList& keys)
{
    const QList<Read> reads = plan(keys);
    if (!m_multiple) {
        for (const Read& read : reads)
            sendRead(read);
        return;
    }
    QList<qsizetype> requestSizes, replySizes;
    for (const Read& read : reads) {
        requestSizes << read.reply.request().size();
        replySizes << replySize(read);
    }
    const auto batches = Cip::packBatches(requestSizes, replySizes, m_link.connectionSize() - PacketOverhead);
    for (const QList<int>& batch : batches) {
        QList<Read> part;
        for (int i : batch)
            part << reads[i];
        if (part.size() == 1)
            sendRead(part.first());
        else
            sendBatch(part);
    }
}

void LogixPoller::sendRead(const Read& read)
{
    send(read.reply.request(),
         [this, read](const Result<QByteArray>& cip) { collect(read, replyTo(cip, read.reply.service())); });
}

void LogixPoller::sendBatch(const QList<Read>& reads)
{
    QList<QByteArray> requests;
    for (const Read& read : reads)
        requests << read.reply.request();
    send(Cip::multipleService(requests),
         [this, reads](const Result<QByteArray>& cip) { batchAnswered(reads, cip); });
}

void LogixPoller::batchAnswered(const QList<Read>& reads, const Result<QByteArray>& cip)
{
    const Result<Cip::Reply> reply = replyTo(cip, Cip::MultipleService);
    if (!reply)
        return dropUnlessTransport(reply.error());
    if (reply->status == Cip::ServiceNotSupported) {
        // One request per read from now on, planned for that.
        m_multiple = false;
        QStringList keys;
        for (const Read& read : reads)
            for (const auto& [key, offset] : read.members)
                if (m_refs.contains(key))
                    keys << key;
        return readItems(keys);
    }
    if (!reply->ok() && reply->status != EmbeddedServiceError) {
        for (const Read& read : reads)
            settleAll(read, serverError(Cip::statusText(reply->status, reply->extended)));
        return;
    }
    // An embedded service error still carries every reply.
    const Result<QList<QByteArray>> parts = Cip::multipleReplies(reply->data, reads.size());
    if (!parts)
        return m_link.drop(parts.error().description);
    for (int i = 0; i < reads.size(); ++i)
        collect(reads[i], Cip::parseReply(parts->at(i), LogixTag::ReadTag));
}

// A reply to a read, or a piece of one; the rest of a partial reply is asked for on its own.
void LogixPoller::collect(Read read, const Result<Cip::Reply>& reply)
{
    if (!reply)
        return dropUnlessTransport(reply.error());
    if (!reply->ok() && reply->status != Cip::PartialData)
        return refused(read, *reply);
    const Result<FragmentedRead::Step> step = read.reply.take(*reply);
    if (!step)
        return failed(read, step.error());
    if (*step == FragmentedRead::Step::More)
        return sendRead(read);
    finish(read);
}

void LogixPoller::refused(const Read& read, const Cip::Reply& reply)
{
    if (read.reply.count() == 1)
        return settleAll(read, serverError(Cip::statusText(reply.status, reply.extended)));
    // Some element of the range is not there: each item hears its own answer, and the array is read
    // element by element until its links change.
    m_singly.insert(read.array);
    for (const auto& [key, offset] : read.members)
        if (m_refs.contains(key))
            sendRead(lone(key));
}

void LogixPoller::finish(const Read& read)
{
    const Result<TagValue::Typed> whole = TagValue::fromReply(read.reply.replyData());
    if (!whole)
        return failed(read, whole.error());
    const Result<QList<TagValue::Typed>> values = TagValue::elements(*whole, read.reply.count());
    if (!values)
        return m_link.drop(values.error().description);
    for (const auto& [key, offset] : read.members) {
        const auto ref = m_refs.constFind(key);
        if (ref == m_refs.cend())
            continue;
        m_types.insert(key, whole->type);
        const Result<QString> text = TagValue::text(values->at(offset), ref->bit);
        settle(key, text ? *text : serverError(text.error().description));
    }
}

// A type the driver does not serve is the items' error; anything else malformed ends the connection.
void LogixPoller::failed(const Read& read, const RunError& error)
{
    if (error.number != ErrNo::TypeMismatch)
        return m_link.drop(error.description);
    settleAll(read, serverError(error.description));
}

void LogixPoller::settleAll(const Read& read, const QString& value)
{
    for (const auto& [key, offset] : read.members)
        settle(key, value);
}

void LogixPoller::writeItem(const QString& key, const QString& value, const QDeadlineTimer& deadline,
                            WriteDone done)
{
    const LogixTag::Ref ref = m_refs.value(key);
    if (const QByteArray type = m_types.value(key); !type.isEmpty())
        return writeTyped(ref, type, value, deadline, std::move(done));
    // The controller says the type first.
    auto typed = [this, key, ref, value, deadline, done](const Result<QByteArray>& cip) {
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
        writeTyped(ref, typed->type, value, deadline, done);
    };
    m_link.sendUrgent(LogixTag::read(ref.path), typed, deadline);
}

void LogixPoller::writeTyped(const LogixTag::Ref& ref, const QByteArray& type, const QString& value,
                             const QDeadlineTimer& deadline, WriteDone done)
{
    QByteArray request;
    QString stored;
    if (ref.bit >= 0) {
        const Result<bool> on = bitOf(value);
        if (!on)
            return done(false, on.error().description);
        if (!TagValue::isInteger(type) || ref.bit >= 8 * TagValue::width(type))
            return done(false, QStringLiteral("bit %1 is beyond the tag's bits").arg(ref.bit));
        request = LogixTag::writeBit(ref.path, TagValue::width(type), ref.bit, *on);
        stored = *on ? QStringLiteral("1") : QStringLiteral("0");
    } else {
        const Result<QByteArray> data = TagValue::encode(type, value);
        if (!data)
            return done(false, data.error().description);
        request = LogixTag::write(ref.path, type, *data);
        stored = TagValue::text({type, *data}).value();
    }
    const quint8 service = static_cast<quint8>(request[0]);
    auto written = [service, stored, done](const Result<QByteArray>& cip) {
        const Result<Cip::Reply> reply = replyTo(cip, service);
        if (!reply)
            return done(false, reply.error().description);
        if (!reply->ok())
            return done(false, Cip::statusText(reply->status, reply->extended));
        done(true, stored);
    };
    m_link.sendUrgent(request, written, deadline);
}
