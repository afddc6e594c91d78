#pragma once

#include <QByteArray>
#include <QtGlobal>

// Little-endian byte building and bounded reading for the controller protocols.
namespace Bytes {

class Writer {
public:
    Writer& u8(quint32 v)
    {
        m_bytes.append(static_cast<char>(v & 0xFF));
        return *this;
    }
    Writer& u16(quint32 v) { return u8(v).u8(v >> 8); }
    Writer& u32(quint32 v) { return u16(v).u16(v >> 16); }
    Writer& u64(quint64 v) { return u32(static_cast<quint32>(v)).u32(static_cast<quint32>(v >> 32)); }
    Writer& bytes(const QByteArray& b)
    {
        m_bytes.append(b);
        return *this;
    }
    const QByteArray& data() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// Reading past the end yields zeros and leaves the reader failed, so a decoder checks once at the end.
class Reader {
public:
    explicit Reader(const QByteArray& bytes) : m_bytes(bytes) {}

    bool ok() const { return m_ok; }
    qsizetype remaining() const { return m_bytes.size() - m_pos; }
    bool atEnd() const { return m_pos == m_bytes.size(); }

    quint8 u8() { return static_cast<quint8>(take(1)); }
    quint16 u16() { return static_cast<quint16>(take(2)); }
    quint32 u32() { return static_cast<quint32>(take(4)); }
    quint64 u64() { return take(8); }
    QByteArray bytes(qsizetype n)
    {
        if (n < 0 || n > remaining()) {
            m_ok = false;
            m_pos = m_bytes.size();
            return {};
        }
        const QByteArray out = m_bytes.mid(m_pos, n);
        m_pos += n;
        return out;
    }
    QByteArray rest() { return bytes(remaining()); }

private:
    quint64 take(int n)
    {
        const QByteArray b = bytes(n);
        quint64 v = 0;
        for (qsizetype i = b.size() - 1; i >= 0; --i)
            v = (v << 8) | static_cast<quint8>(b[i]);
        return v;
    }

    QByteArray m_bytes;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

} // namespace Bytes
