#include "LinkProtocol.h"

#include <QRegularExpression>

namespace LinkProtocol {

QString socketName()
{
    const QString overridden = qEnvironmentVariable("HMI_LINK_SOCKET");
    if (!overridden.isEmpty())
        return overridden;
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    // The name becomes a file name; keep it to characters every platform takes.
    user.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    if (user.isEmpty())
        user = QStringLiteral("user");
    return QLatin1String(ApplicationName) + QLatin1Char('-') + user;
}

QByteArray encodeLine(const QStringList& fields)
{
    QByteArray out;
    for (const QString& field : fields) {
        const QByteArray bytes = field.toLatin1();
        for (char c : bytes) {
            switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default: out += c;
            }
        }
        out += '\t';
    }
    out += "\r\n";
    return out;
}

QStringList decodeLine(const QByteArray& line)
{
    QStringList fields;
    QByteArray field;
    bool open = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        open = true;
        if (c == '\t') {
            fields << QString::fromLatin1(field);
            field.clear();
            open = false;
        } else if (c == '\\' && i + 1 < line.size()) {
            const char e = line[++i];
            field += e == 't' ? '\t' : e == 'r' ? '\r' : e == 'n' ? '\n' : e;
        } else {
            field += c;
        }
    }
    // A last field without its TAB still counts, as the data files' parser does.
    if (open)
        fields << QString::fromLatin1(field);
    return fields;
}

bool splitLinkTopic(const QString& linkTopic, QString* application, QString* topic)
{
    const qsizetype bar = linkTopic.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return false;
    *application = linkTopic.left(bar);
    *topic = linkTopic.mid(bar + 1);
    return true;
}

void LineBuffer::append(const QByteArray& bytes)
{
    // Drop what was consumed before growing, so a long session keeps a small buffer.
    if (m_pos > 0 && m_pos >= m_data.size() / 2) {
        m_data.remove(0, m_pos);
        m_pos = 0;
    }
    m_data += bytes;
}

LineBuffer::Kind LineBuffer::next(QByteArray* line)
{
    for (;;) {
        const qsizetype lf = m_data.indexOf('\n', m_pos);
        if (m_skipping) {
            if (lf < 0) {
                m_data.clear();
                m_pos = 0;
                return Kind::None;
            }
            m_pos = lf + 1;
            m_skipping = false;
            continue;
        }
        const qsizetype end = lf < 0 ? m_data.size() : lf;
        if (end - m_pos > MaxLineBytes) {
            *line = m_data.mid(m_pos, 64);
            m_skipping = true;
            return Kind::Overlong;
        }
        if (lf < 0)
            return Kind::None;
        qsizetype stop = lf;
        if (stop > m_pos && m_data[stop - 1] == '\r')
            --stop;
        *line = m_data.mid(m_pos, stop - m_pos);
        m_pos = lf + 1;
        return Kind::Line;
    }
}

} // namespace LinkProtocol
