#include "FileIO.h"

#include "Messages.h"
#include "RunError.h"

namespace FileIO {

QStringList ParsedFields;

namespace {

void reportParseFailure(const QString& rest)
{
    Messages::show(QStringLiteral("Parse Line: ") + RunError::of(ErrNo::Overflow).fileText() + QStringLiteral("\r\n") +
                   QStringLiteral("Data In ") + rest);
}

} // namespace

int Parse_Line(const QString& line)
{
    ParsedFields.clear();
    qsizetype start = 0;
    for (qsizetype tab = line.indexOf(QLatin1Char('\t')); tab >= 0 && tab < MaxLineLength;
         tab = line.indexOf(QLatin1Char('\t'), start)) {
        ParsedFields << line.mid(start, tab - start);
        start = tab + 1;
    }
    // A line without TAB is one field, the whole line.
    if (start == 0)
        ParsedFields << line;
    // Positions past the 16-bit limit overflow: the fields split so far stay.
    if (line.size() > MaxLineLength)
        reportParseFailure(line.mid(start));
    return static_cast<int>(ParsedFields.size()) - 1;
}

QString Replace_Text(QString& text, const QString& searched, const QString& replacement)
{
    // An empty search text would match everywhere forever.
    if (searched.isEmpty())
        return text;
    for (;;) {
        qsizetype p = text.indexOf(searched, 0, Qt::CaseSensitive);
        while (p >= 0) {
            text.replace(p, searched.size(), replacement);
            p = text.indexOf(searched, p + replacement.size(), Qt::CaseSensitive);
        }
        if (searched.size() <= replacement.size() || !text.contains(searched, Qt::CaseSensitive))
            return text;
    }
}

QString Join_Fields(const QStringList& fields)
{
    QString line;
    for (const QString& f : fields) {
        const qsizetype start = line.size();
        line += f;
        for (qsizetype i = start; i < line.size(); ++i)
            if (line[i] == QLatin1Char('\t') || line[i] == QLatin1Char('\r') || line[i] == QLatin1Char('\n'))
                line[i] = QLatin1Char(' ');
        line += QLatin1Char('\t');
    }
    return line;
}

} // namespace FileIO
