#include "LinkProtocol.h"

#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace LinkProtocol {

QString socketName()
{
    const QString overridden = qEnvironmentVariable("HMI_LINK_SOCKET");
    if (!overridden.isEmpty())
        return overridden;
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    if (user.isEmpty())
        user = qEnvironmentVariable("LOGNAME");
#ifdef Q_OS_UNIX
    if (user.isEmpty())
        user = QString::number(::getuid());
#endif
    // The name becomes a file name; keep it to characters every platform takes.
    user.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    const QString name = QLatin1String(ApplicationName) + QLatin1Char('-') + user;
#ifdef Q_OS_UNIX
    // The user's private runtime folder, where no other user can put a socket of the same name first.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime + QLatin1Char('/') + name;
#endif
    return name;
}

QByteArray encodeLine(const QStringList& fields)
{
    QByteArray out;
    for (const QString& field : fields) {
        const QByteArray bytes = field.toLatin1();
        for (char c : bytes) {
            switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
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
    qsizetype from = 0;
    for (qsizetype lf = bytes.indexOf('\n'); lf >= 0; lf = bytes.indexOf('\n', from)) {
        if (m_skipping)
            m_skipping = false;
        else
            finish(m_partial + bytes.mid(from, lf - from));
        m_partial.clear();
        from = lf + 1;
    }
    if (m_skipping)
        return;
    m_partial += bytes.mid(from);
    if (m_partial.size() > MaxLineBytes) {
        m_ready.emplace_back(Kind::Overlong, m_partial.left(64));
        m_partial.clear();
        m_skipping = true;
    }
}

void LineBuffer::finish(QByteArray line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.size() > MaxLineBytes)
        m_ready.emplace_back(Kind::Overlong, line.left(64));
    else
        m_ready.emplace_back(Kind::Line, std::move(line));
}

LineBuffer::Kind LineBuffer::next(QByteArray* line)
{
    if (m_ready.empty())
        return Kind::None;
    const Kind kind = m_ready.front().first;
    *line = std::move(m_ready.front().second);
    m_ready.pop_front();
    return kind;
}

qsizetype LineBuffer::buffered() const
{
    qsizetype n = m_partial.size();
    for (const auto& entry : m_ready)
        n += entry.second.size();
    return n;
}

} // namespace LinkProtocol
