#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// Byte-level line and field handling for the import steps: the files are single-byte text, so working on
// Latin-1 bytes gives the same result as working on strings, without a string per field.
namespace LineBytes {

// Calls f(line) for every line; CR LF, LF and CR each end a line and a final line break adds no line.
template <class F> void forEachLine(QByteArrayView bytes, F&& f) {
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p < end) {
        const char* q = p;
        while (q < end && *q != '\r' && *q != '\n')
            ++q;
        f(QByteArrayView(p, q - p));
        if (q < end && *q == '\r' && q + 1 < end && q[1] == '\n')
            ++q;
        p = q + 1;
    }
}

// A field line split like Parse_Line: n TABs give n fields, text after the last TAB is dropped, a line
// without TAB is one field. Fields past the end read as empty.
class Fields {
public:
    int split(QByteArrayView line) {
        m_fields.clear();
        qsizetype start = 0;
        for (qsizetype i = 0; i < line.size(); ++i)
            if (line[i] == '\t') {
                m_fields.push_back(line.sliced(start, i - start));
                start = i + 1;
            }
        if (m_fields.empty())
            m_fields.push_back(line);
        return count();
    }
    int count() const { return static_cast<int>(m_fields.size()); }
    QByteArrayView operator[](int i) const {
        return i >= 0 && i < count() ? m_fields[size_t(i)] : QByteArrayView();
    }

private:
    std::vector<QByteArrayView> m_fields;
};

// Builds field lines: every field followed by a TAB, every line ended by CR LF.
class Writer {
public:
    explicit Writer(qsizetype reserve = 0) { m_out.reserve(reserve); }
    Writer& field(QByteArrayView f) {
        m_out.append(f.data(), f.size());
        m_out.append('\t');
        return *this;
    }
    Writer& field(qint64 number) { return field(QByteArray::number(number)); }
    Writer& raw(QByteArrayView text) {
        m_out.append(text.data(), text.size());
        return *this;
    }
    void endLine() { m_out.append("\r\n", 2); }
    QByteArray& bytes() { return m_out; }

private:
    QByteArray m_out;
};

// Leading and trailing spaces removed (spaces only, as the import steps trim).
inline QByteArrayView trimSpaces(QByteArrayView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    return s.sliced(b, e - b);
}

} // namespace LineBytes
