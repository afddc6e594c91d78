#include "Pccc.h"

#include "Bytes.h"
#include "Cip.h"
#include "Encapsulation.h"
#include "ItemAddress.h"

#include <QHash>
#include <QRegularExpression>

#include <cstring>

namespace Pccc {

namespace {

constexpr quint8 ExecutePccc = 0x4B;
constexpr quint8 Command = 0x0F;
constexpr quint8 TypedRead = 0xA2;
constexpr quint8 TypedWrite = 0xAA;
constexpr quint8 MaskedWrite = 0xAB;
constexpr quint8 WordRangeWrite = 0x00;
constexpr quint8 WordRangeRead = 0x01;
constexpr quint8 BitWrite = 0x02;
constexpr quint8 ExtendedStatus = 0xF0;
// Length, vendor and serial number: the identity the connection was opened with.
const QByteArray Requester = QByteArray::fromHex("073df345435021");

struct FileKind {
    quint8 code;
    int elementBytes;
};

const QHash<QString, FileKind>& kinds()
{
    static const QHash<QString, FileKind> table = {
        {"O", {0x8B, 2}}, {"I", {0x8C, 2}},   {"S", {0x84, 2}}, {"B", {0x85, 2}},
        {"T", {0x86, 6}}, {"C", {0x87, 6}},   {"R", {0x88, 6}}, {"N", {0x89, 2}},
        {"F", {0x8A, 4}}, {"ST", {0x8D, 84}}, {"A", {0x8E, 2}}, {"L", {0x91, 4}},
    };
    return table;
}

// Word of a timer, counter or control member, and the bit of a status member in word 0.
bool member(const QString& name, int* word, int* bit)
{
    static const QHash<QString, std::pair<int, int>> members = {
        {"PRE", {1, -1}}, {"ACC", {2, -1}}, {"LEN", {1, -1}}, {"POS", {2, -1}}, {"EN", {0, 15}},
        {"TT", {0, 14}},  {"CU", {0, 15}},  {"CD", {0, 14}},  {"DN", {0, 13}},  {"OV", {0, 12}},
        {"UN", {0, 11}},  {"UA", {0, 10}},  {"EU", {0, 14}},  {"EM", {0, 12}},  {"ER", {0, 11}},
        {"UL", {0, 10}},  {"IN", {0, 9}},   {"FD", {0, 8}},
    };
    const auto it = members.constFind(name);
    if (it == members.cend())
        return false;
    *word = it->first;
    *bit = it->second;
    return true;
}

// A file, element or sub-element number: one byte, or 0xFF and two bytes.
void field(Bytes::Writer& w, int n)
{
    if (n < 0xFF)
        w.u8(static_cast<quint32>(n));
    else
        w.u8(0xFF).u16(static_cast<quint32>(n));
}

Bytes::Writer header(quint16 tns, quint8 function)
{
    Bytes::Writer w;
    w.bytes(Requester).u8(Command).u8(0).u16(tns).u8(function);
    return w;
}

QByteArray execute(const Bytes::Writer& w)
{
    return Cip::request(ExecutePccc, Cip::classInstance(0x67, 1), w.data());
}

// Writes of a whole element name no word within it.
bool wholeElement(const Address& at)
{
    return at.valueBytes == at.elementBytes && !at.slotted;
}

QByteArray typed(quint16 tns, quint8 function, const Address& at, int bytes, int word, const QByteArray& rest)
{
    Bytes::Writer w = header(tns, function);
    w.u8(static_cast<quint32>(bytes));
    field(w, at.file);
    w.u8(at.fileType);
    field(w, at.element);
    field(w, word);
    return execute(w.bytes(rest));
}

// The PLC-5's system address in the data table: a mask of the levels present (file and element, and for
// writes the word of a timer, counter or control), then each level's number.
void systemAddress(Bytes::Writer& w, const Address& at, bool subElement)
{
    w.u8(subElement ? 0x0E : 0x06);
    field(w, at.file);
    field(w, at.element);
    if (subElement)
        field(w, at.word);
}

// A word range command in one packet: offset 0 of a transaction of the packet's own size, in words.
Bytes::Writer wordRange(quint16 tns, quint8 function, const Address& at, int bytes, bool subElement)
{
    Bytes::Writer w = header(tns, function);
    w.u16(0).u16(static_cast<quint32>((bytes + 1) / 2));
    systemAddress(w, at, subElement);
    return w;
}

// String characters are stored two to a word, the second first.
QByteArray swapPairs(QByteArray b)
{
    for (qsizetype i = 0; i + 1 < b.size(); i += 2)
        std::swap(b[i], b[i + 1]);
    return b;
}

// A PLC-5's I/O image is a file of words numbered in octal, rack and group: "I:012/07" is word 10, bit 7.
// The stored form keeps the digits as written.
Result<Address> octalIo(const QString& item, Address at, const QRegularExpressionMatch& m)
{
    bool word = false, bit = true;
    at.element = m.captured(3).toInt(&word, 8);
    at.bit = m.hasCaptured(5) ? m.captured(5).toInt(&bit, 8) : -1;
    if (!word || !bit || m.hasCaptured(4) || at.bit >= 16)
        return RunError::of(
            ErrNo::InvalidCall,
            QStringLiteral("'%1' is not a PLC-5 I/O address (octal words, bits 00 to 17)").arg(item));
    return at;
}

// An SLC 500's or MicroLogix's files are numbered to 255 and hold 256 elements; a PLC-5's to 999, holding
// 1000.
Result<Address> withinFile(const QString& item, const Address& at)
{
    const int last = at.dialect == Dialect::Plc5 ? 999 : 255;
    if (at.file > last || at.element > last)
        return RunError::of(ErrNo::InvalidCall,
                            QStringLiteral("'%1' is beyond the data table of %2 (files and elements 0 to %3)")
                                .arg(item, at.dialect == Dialect::Plc5
                                               ? QStringLiteral("a PLC-5")
                                               : QStringLiteral("an SLC 500 or MicroLogix"))
                                .arg(last));
    return at;
}

} // namespace

Result<Address> parse(const QString& item, Dialect dialect)
{
    const ItemAddress a = ItemAddress::parse(item);
    if (!a.valid)
        return RunError::of(ErrNo::InvalidCall, a.error);
    static const QRegularExpression form(
        QStringLiteral("^(ST|[A-Z])(\\d+)(?::(\\d+)(?:\\.([A-Z]+|\\d+))?)?(?:/(\\d+))?$"));
    const QRegularExpressionMatch m = form.match(a.canonical);
    if (!a.table || !m.hasMatch())
        return RunError::of(ErrNo::InvalidCall,
                            QStringLiteral("'%1' is a tag, not a data table address").arg(item));
    const QString type = m.captured(1);
    const FileKind kind = kinds().value(type);
    Address at;
    at.fileType = kind.code;
    at.file = m.captured(2).toInt();
    at.elementBytes = kind.elementBytes;
    at.valueBytes = type == QLatin1String("T") || type == QLatin1String("C") || type == QLatin1String("R")
                        ? 2
                        : kind.elementBytes;
    const bool io = type == QLatin1String("I") || type == QLatin1String("O");
    at.dialect = dialect;
    if (dialect == Dialect::Plc5) {
        if (io)
            return octalIo(item, at, m);
        if (type == QLatin1String("L"))
            return RunError::of(ErrNo::InvalidCall, QStringLiteral("a PLC-5 has no L files"));
    }
    at.slotted = io;
    at.bit = m.hasCaptured(5) ? m.captured(5).toInt() : -1;
    if (!m.hasCaptured(3)) {
        // "B3/16": bits counted from the start of the file.
        at.element = at.bit / 16;
        at.bit %= 16;
        return withinFile(item, at);
    }
    at.element = m.captured(3).toInt();
    if (at.slotted && at.element > 30)
        return RunError::of(ErrNo::InvalidCall, QStringLiteral("slot %1 out of range").arg(at.element));
    if (const Result<Address> within = withinFile(item, at); !within)
        return within;
    const QString sub = m.captured(4);
    bool numeric = false;
    const int word = sub.toInt(&numeric);
    if (numeric)
        at.word = word;
    else if (!sub.isEmpty())
        member(sub, &at.word, &at.bit);
    if (at.slotted && at.bit >= 16) {
        at.word += at.bit / 16;
        at.bit %= 16;
    }
    return at;
}

QByteArray read(quint16 tns, const Address& at, int bytes)
{
    if (at.dialect == Dialect::Plc5)
        return execute(wordRange(tns, WordRangeRead, at, bytes, false).u8(static_cast<quint32>(bytes)));
    return typed(tns, TypedRead, at, bytes, at.slotted ? at.word : 0, {});
}

QByteArray write(quint16 tns, const Address& at, const QByteArray& data)
{
    const int bytes = static_cast<int>(data.size());
    if (at.dialect == Dialect::Plc5)
        return execute(wordRange(tns, WordRangeWrite, at, bytes, !wholeElement(at)).bytes(data));
    return typed(tns, TypedWrite, at, bytes, wholeElement(at) ? 0 : at.word, data);
}

QByteArray maskedWrite(quint16 tns, const Address& at, quint32 mask, quint32 value)
{
    if (at.dialect == Dialect::Plc5) {
        Bytes::Writer w = header(tns, BitWrite);
        systemAddress(w, at, !wholeElement(at));
        return execute(w.u16(mask & value).u16(mask & ~value));
    }
    const int bytes = at.valueBytes == 4 ? 4 : 2;
    Bytes::Writer w;
    if (bytes == 4)
        w.u32(mask).u32(value);
    else
        w.u16(mask).u16(value);
    return typed(tns, MaskedWrite, at, bytes, wholeElement(at) ? 0 : at.word, w.data());
}

Result<QByteArray> replyData(const QByteArray& cip, quint16 tns)
{
    const Result<Cip::Reply> reply = Cip::parseReply(cip, ExecutePccc);
    if (!reply)
        return reply.error();
    if (!reply->ok())
        return RunError::of(ErrNo::TypeMismatch, Cip::statusText(reply->status, reply->extended));
    Bytes::Reader r(reply->data);
    const quint8 length = r.u8();
    r.bytes(length - 1);
    const quint8 cmd = r.u8(), status = r.u8();
    const quint16 answered = r.u16();
    if (!r.ok() || length < 7 || cmd != (Command | 0x40) || answered != tns)
        return Encapsulation::malformed(QStringLiteral("PCCC reply to another command or transaction"));
    if (status != 0)
        return RunError::of(ErrNo::TypeMismatch, statusText(status, status == ExtendedStatus ? r.u8() : 0));
    return r.rest();
}

QString statusText(quint8 status, quint8 extended)
{
    static const QHash<int, QString> local = {
        {0x10, QStringLiteral("illegal command or format")},
        {0x20, QStringLiteral("the controller has a problem and will not communicate")},
        {0x30, QStringLiteral("remote node is missing or disconnected")},
        {0x40, QStringLiteral("hardware fault")},
        {0x50, QStringLiteral("addressing problem or memory protect rungs")},
        {0x60, QStringLiteral("function not allowed by command protection")},
        {0x70, QStringLiteral("controller is in program mode")},
        {0x80, QStringLiteral("compatibility mode file missing")},
        {0x90, QStringLiteral("remote node cannot buffer the command")},
    };
    static const QHash<int, QString> ext = {
        {0x01, QStringLiteral("a field has an illegal value")},
        {0x02, QStringLiteral("fewer address levels than the minimum")},
        {0x03, QStringLiteral("more address levels than the controller supports")},
        {0x04, QStringLiteral("symbol not found")},
        {0x06, QStringLiteral("address does not point to something usable")},
        {0x07, QStringLiteral("file is the wrong size")},
        {0x08, QStringLiteral("cannot complete the request")},
        {0x09, QStringLiteral("data or file too large")},
        {0x0A, QStringLiteral("transaction size plus word address too large")},
        {0x0B, QStringLiteral("access denied")},
        {0x0E, QStringLiteral("command cannot be executed")},
        {0x10, QStringLiteral("no access")},
        {0x11, QStringLiteral("illegal data type")},
        {0x12, QStringLiteral("invalid parameter or data")},
        {0x17, QStringLiteral("type mismatch")},
    };
    if (status == ExtendedStatus)
        return ext.value(extended, QStringLiteral("error")) +
               QStringLiteral(" (PCCC status 0xf0, extended 0x%1)").arg(extended, 2, 16, QLatin1Char('0'));
    return local.value(status & 0xF0, QStringLiteral("error")) +
           QStringLiteral(" (PCCC status 0x%1)").arg(status, 2, 16, QLatin1Char('0'));
}

Result<QString> text(const Address& at, const QByteArray& data)
{
    if (data.size() < (at.isString() ? 2 : at.valueBytes))
        return Encapsulation::malformed(
            QStringLiteral("%1 bytes for a value of %2").arg(data.size()).arg(at.valueBytes));
    Bytes::Reader r(data);
    if (at.isString()) {
        const quint16 length = r.u16();
        const QByteArray chars = swapPairs(r.bytes(qMin<qsizetype>(r.remaining(), 82)));
        if (length > chars.size())
            return Encapsulation::malformed(QStringLiteral("string length %1").arg(length));
        return QString::fromLatin1(chars.left(length));
    }
    const quint32 raw = at.valueBytes == 4 ? r.u32() : r.u16();
    if (at.bit >= 0)
        return (raw >> at.bit) & 1 ? QStringLiteral("1") : QStringLiteral("0");
    if (at.isFloat()) {
        float f;
        std::memcpy(&f, &raw, 4);
        return QString::number(f, 'g', 7);
    }
    return QString::number(at.valueBytes == 4 ? static_cast<qint32>(raw) : static_cast<qint16>(raw));
}

Result<QByteArray> encode(const Address& at, const QString& text)
{
    const ItemAddress::Kind kind = at.isString()        ? ItemAddress::Kind::Text
                                   : at.isFloat()       ? ItemAddress::Kind::Float
                                   : at.valueBytes == 4 ? ItemAddress::Kind::Int32
                                                        : ItemAddress::Kind::Int16;
    ItemAddress a;
    a.kind = kind;
    const ItemAddress::Normalized n = a.normalize(text);
    if (!n.ok)
        return RunError::of(ErrNo::TypeMismatch, n.error);
    Bytes::Writer w;
    if (at.isString()) {
        QByteArray chars = n.value.toLatin1();
        chars.resize(82, '\0');
        return w.u16(static_cast<quint32>(n.value.size())).bytes(swapPairs(chars)).data();
    }
    if (at.isFloat()) {
        const float f = n.value.toFloat();
        quint32 raw;
        std::memcpy(&raw, &f, 4);
        return w.u32(raw).data();
    }
    const qint64 v = n.value.toLongLong();
    return at.valueBytes == 4 ? w.u32(static_cast<quint32>(v)).data() : w.u16(static_cast<quint32>(v)).data();
}

} // namespace Pccc
