#include "ReplyDecoders.h"

#include "Cip.h"
#include "Encapsulation.h"
#include "FragmentedRead.h"
#include "LogixTag.h"
#include "Pccc.h"
#include "TagValue.h"

namespace {

// Replies taken as the pieces of one read of three elements: a Read Tag reply, then Read Tag Fragmented
// replies, until one is whole.
void fragments(const QList<QByteArray>& replies)
{
    FragmentedRead read(QByteArray(), 3);
    for (const QByteArray& bytes : replies) {
        const auto reply = Cip::parseReply(bytes, read.service());
        if (!reply || (!reply->ok() && reply->status != Cip::PartialData))
            return;
        const auto step = read.take(*reply);
        if (!step)
            return;
        if (*step == FragmentedRead::Step::More)
            continue;
        if (const auto whole = TagValue::fromReply(read.replyData()))
            if (const auto values = TagValue::elements(*whole, read.count()))
                for (const TagValue::Typed& value : *values)
                    (void)TagValue::text(value, 3);
        return;
    }
}

} // namespace

int DecodeControllerReply(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)Encapsulation::packetSize(bytes);
    if (const auto packet = Encapsulation::decode(bytes))
        (void)Encapsulation::sessionOf(*packet);
    (void)Encapsulation::unconnectedReply(bytes);
    const auto connected = Encapsulation::connectedReply(bytes);
    const QByteArray cip = connected ? connected->cip : bytes;
    (void)Cip::connectionFailure(cip);
    if (const auto open = Cip::parseReply(cip, Cip::LargeForwardOpen))
        (void)Cip::openedFrom(*open);
    if (const auto multiple = Cip::parseReply(cip, Cip::MultipleService)) {
        if (const auto parts = Cip::multipleReplies(multiple->data, 3)) {
            for (const QByteArray& part : *parts)
                (void)Cip::parseReply(part, LogixTag::ReadTag);
            fragments(*parts);
        }
    }
    fragments({cip});
    if (const auto read = Cip::parseReply(cip, LogixTag::ReadTag)) {
        if (const auto typed = TagValue::fromReply(read->data)) {
            (void)TagValue::text(*typed);
            (void)TagValue::text(*typed, 31);
        }
    }
    if (const auto pccc = Pccc::replyData(cip, 1)) {
        for (const char* item : {"N7:0", "F8:0", "L9:0/31", "ST9:0", "T4:0.ACC"})
            (void)Pccc::text(Pccc::parse(QString::fromLatin1(item)).value(), *pccc);
        for (const char* item : {"I:012/07", "O:000/17", "T4:0.ACC", "ST9:0"})
            (void)Pccc::text(Pccc::parse(QString::fromLatin1(item), Pccc::Dialect::Plc5).value(), *pccc);
    }
    return 0;
}
