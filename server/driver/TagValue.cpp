#include "TagValue.h"

#include "Bytes.h"
#include "Encapsulation.h"
#include "WholeNumber.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace TagValue {

namespace {

enum Code : quint16 {
    Bool = 0xC1,
    Sint = 0xC2,
    Int = 0xC3,
    Dint = 0xC4,
    Lint = 0xC5,
    Usint = 0xC6,
    Uint = 0xC7,
    Udint = 0xC8,
    Real = 0xCA,
    Lreal = 0xCB,
    // Some controllers and simulators report the standard string under this elementary code.
    ShortString = 0xD0,
    Dword = 0xD3,
    Structure = 0x02A0,
};
constexpr quint16 StringHandle = 0x0FCE;
// LEN (DINT), 82 characters, 2 bytes of padding.
constexpr int StringChars = 82;
constexpr int StringSize = 4 + StringChars + 2;

quint16 codeOf(const QByteArray& type)
{
    Bytes::Reader r(type);
    return r.u16();
}

bool isString(const QByteArray& type)
{
    Bytes::Reader r(type);
    const quint16 code = r.u16();
    return code == ShortString || (code == Structure && r.u16() == StringHandle);
}

bool isSigned(quint16 code)
{
    return code == Sint || code == Int || code == Dint || code == Lint;
}

RunError mismatch(const QString& why)
{
    return RunError::of(ErrNo::TypeMismatch, why);
}

quint64 raw(const QByteArray& data, int bytes)
{
    quint64 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<quint8>(data[i]);
    return v;
}

QByteArray rawBytes(quint64 v, int bytes)
{
    QByteArray out(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

QString numberText(quint16 code, quint64 bits, int bytes)
{
    if (code == Real) {
        float f;
        const quint32 narrow = static_cast<quint32>(bits);
        std::memcpy(&f, &narrow, 4);
        return QString::number(f, 'g', 7);
    }
    if (code == Lreal) {
        double d;
        std::memcpy(&d, &bits, 8);
        return QString::number(d, 'g', 15);
    }
    if (code == Bool)
        return bits ? QStringLiteral("1") : QStringLiteral("0");
    if (isSigned(code)) {
        const int shift = 64 - 8 * bytes;
        return QString::number(static_cast<qint64>(bits << shift) >> shift);
    }
    return QString::number(bits);
}

Result<QByteArray> encodeString(const QString& text)
{
    if (text.size() > StringChars)
        return mismatch(QStringLiteral("text longer than %1 characters").arg(StringChars));
    QByteArray chars = text.toLatin1();
    chars.resize(StringChars, '\0');
    return rawBytes(static_cast<quint64>(text.size()), 4) + chars +
           QByteArray(StringSize - 4 - StringChars, '\0');
}

// No integer type served is wider than 64 bits or unsigned at 64.
Result<QByteArray> encodeInteger(quint16 code, int bytes, const QString& text)
{
    const int bits = 8 * bytes;
    const qint64 low = isSigned(code) ? std::numeric_limits<qint64>::min() >> (64 - bits) : 0;
    const qint64 high = isSigned(code) ? std::numeric_limits<qint64>::max() >> (64 - bits)
                                       : static_cast<qint64>((quint64(1) << bits) - 1);
    qint64 v = 0;
    if (WholeNumber::parse(text, low, high, &v) != WholeNumber::Fit::Ok)
        return mismatch(QStringLiteral("%1 out of range").arg(text.trimmed().left(40)));
    return rawBytes(static_cast<quint64>(v), bytes);
}

} // namespace

int width(const QByteArray& type)
{
    if (isString(type))
        return StringSize;
    switch (codeOf(type)) {
    case Bool:
    case Sint:
    case Usint:
        return 1;
    case Int:
    case Uint:
        return 2;
    case Dint:
    case Udint:
    case Real:
    case Dword:
        return 4;
    case Lint:
    case Lreal:
        return 8;
    default:
        return 0;
    }
}

bool isInteger(const QByteArray& type)
{
    const quint16 code = codeOf(type);
    return width(type) > 0 && !isString(type) && code != Real && code != Lreal && code != Bool;
}

Result<Typed> piece(const QByteArray& replyData)
{
    Bytes::Reader r(replyData);
    Typed t;
    t.type = r.bytes(2);
    if (codeOf(t.type) == Structure)
        t.type += r.bytes(2);
    t.data = r.rest();
    if (!r.ok())
        return Encapsulation::malformed(QStringLiteral("read reply without a data type"));
    if (width(t.type) == 0)
        return mismatch(
            QStringLiteral("data type 0x%1 is not served").arg(QString::fromLatin1(t.type.toHex())));
    return t;
}

Result<Typed> fromReply(const QByteArray& replyData)
{
    const Result<Typed> t = piece(replyData);
    if (!t)
        return t;
    const int need = width(t->type);
    // A string may come without its padding.
    const int least = isString(t->type) ? 4 : need;
    if (t->data.size() < least)
        return Encapsulation::malformed(
            QStringLiteral("%1 data bytes for a value of %2").arg(t->data.size()).arg(need));
    return t;
}

Result<QList<Typed>> elements(const Typed& whole, int count)
{
    if (count == 1)
        return QList<Typed>{whole};
    const qsizetype each = width(whole.type);
    if (whole.data.size() != each * count)
        return Encapsulation::malformed(
            QStringLiteral("%1 data bytes for %2 values of %3").arg(whole.data.size()).arg(count).arg(each));
    QList<Typed> out;
    for (int i = 0; i < count; ++i)
        out.append({whole.type, whole.data.mid(i * each, each)});
    return out;
}

Result<QString> text(const Typed& value, int bit)
{
    const int bytes = width(value.type);
    if (isString(value.type)) {
        const quint32 length = static_cast<quint32>(raw(value.data, 4));
        if (bit >= 0)
            return mismatch(QStringLiteral("a string has no bits"));
        if (length > StringChars || 4 + length > static_cast<quint32>(value.data.size()))
            return Encapsulation::malformed(QStringLiteral("string length %1").arg(length));
        return QString::fromLatin1(value.data.mid(4, length));
    }
    const quint64 bits = raw(value.data, bytes);
    if (bit >= 0) {
        if (!isInteger(value.type) || bit >= 8 * bytes)
            return mismatch(QStringLiteral("bit %1 is beyond the tag's %2 bits").arg(bit).arg(8 * bytes));
        return (bits >> bit) & 1 ? QStringLiteral("1") : QStringLiteral("0");
    }
    return numberText(codeOf(value.type), bits, bytes);
}

Result<QByteArray> encode(const QByteArray& type, const QString& text)
{
    if (isString(type))
        return encodeString(text);
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return mismatch(QStringLiteral("'%1' is not a number").arg(text.left(40)));
    const quint16 code = codeOf(type);
    const int bytes = width(type);
    if (code == Bool)
        return QByteArray(1, v != 0 ? '\x01' : '\0');
    if (code == Real) {
        if (std::fabs(v) > 3.4028235e38)
            return mismatch(QStringLiteral("%1 out of range").arg(text.trimmed()));
        const float f = static_cast<float>(v);
        quint32 narrow;
        std::memcpy(&narrow, &f, 4);
        return rawBytes(narrow, 4);
    }
    if (code == Lreal) {
        quint64 wide;
        std::memcpy(&wide, &v, 8);
        return rawBytes(wide, 8);
    }
    if (bytes == 0)
        return mismatch(
            QStringLiteral("data type 0x%1 is not served").arg(QString::fromLatin1(type.toHex())));
    return encodeInteger(code, bytes, text);
}

} // namespace TagValue
