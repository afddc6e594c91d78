#include "LogixTag.h"

#include "Bytes.h"
#include "Cip.h"
#include "ItemAddress.h"

#include <QRegularExpression>
#include <QStringList>

namespace LogixTag {

namespace {

void symbol(Bytes::Writer& w, const QString& name)
{
    const QByteArray bytes = name.toLatin1();
    w.u8(0x91).u8(static_cast<quint32>(bytes.size())).bytes(bytes);
    if (bytes.size() % 2)
        w.u8(0);
}

void element(Bytes::Writer& w, quint32 index)
{
    if (index <= 0xFF)
        w.u8(0x28).u8(index);
    else if (index <= 0xFFFF)
        w.u8(0x29).u8(0).u16(index);
    else
        w.u8(0x2A).u8(0).u32(index);
}

// One name, whose subscripts it returns; the address parser has vouched for the form already.
QStringList named(Bytes::Writer& w, const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^([^\\[]+)(?:\\[([\\d,]+)\\])?$"));
    const QRegularExpressionMatch m = form.match(text);
    symbol(w, m.captured(1));
    return m.hasCaptured(2) ? m.captured(2).split(QLatin1Char(',')) : QStringList();
}

} // namespace

Result<Ref> parse(const QString& item)
{
    const ItemAddress address = ItemAddress::parse(item);
    if (!address.valid)
        return RunError::of(ErrNo::InvalidCall, address.error);
    if (address.table)
        return RunError::of(ErrNo::InvalidCall,
                            QStringLiteral("'%1' is a data table address, not a tag").arg(item));

    QString rest = item;
    Bytes::Writer w;
    if (rest.startsWith(QLatin1String("Program:"), Qt::CaseInsensitive)) {
        const qsizetype dot = rest.indexOf(QLatin1Char('.'));
        symbol(w, rest.left(dot));
        rest = rest.mid(dot + 1);
    }
    QStringList parts = rest.split(QLatin1Char('.'));
    Ref ref;
    if (address.kind == ItemAddress::Kind::Bit)
        ref.bit = parts.takeLast().toInt();
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QStringList subscripts = named(w, parts[i]);
        if (i == parts.size() - 1 && subscripts.size() == 1) {
            ref.array = w.data();
            ref.index = subscripts.first().toUInt();
        }
        for (const QString& n : subscripts)
            element(w, n.toUInt());
    }
    ref.path = w.data();
    return ref;
}

QByteArray read(const QByteArray& path, quint16 count)
{
    return Cip::request(ReadTag, path, Bytes::Writer().u16(count).data());
}

QByteArray readFragment(const QByteArray& path, quint16 count, quint32 offset)
{
    return Cip::request(ReadTagFragmented, path, Bytes::Writer().u16(count).u32(offset).data());
}

QByteArray elementOf(const QByteArray& array, quint32 index)
{
    Bytes::Writer w;
    w.bytes(array);
    element(w, index);
    return w.data();
}

QByteArray write(const QByteArray& path, const QByteArray& type, const QByteArray& data)
{
    Bytes::Writer w;
    w.bytes(type).u16(1).bytes(data);
    return Cip::request(WriteTag, path, w.data());
}

QByteArray writeBit(const QByteArray& path, int width, int bit, bool on)
{
    Bytes::Writer w;
    w.u16(static_cast<quint32>(width));
    // OR mask sets the bit, AND mask clears it; every other bit keeps its value.
    for (int i = 0; i < width; ++i)
        w.u8(on && bit / 8 == i ? 1u << (bit % 8) : 0);
    for (int i = 0; i < width; ++i)
        w.u8(!on && bit / 8 == i ? ~(1u << (bit % 8)) & 0xFF : 0xFF);
    return Cip::request(ReadModifyWrite, path, w.data());
}

} // namespace LogixTag
