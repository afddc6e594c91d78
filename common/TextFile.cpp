#include "TextFile.h"

#include "CheckedWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace TextFile {

RunError openError(const QString& path)
{
    const QFileInfo info(path);
    if (!info.dir().exists())
        return RunError::of(ErrNo::PathNotFound);
    if (!info.exists())
        return RunError::of(ErrNo::FileNotFound);
    if (info.isDir())
        return RunError::of(ErrNo::PathFileAccess);
    return RunError::of(ErrNo::PermissionDenied);
}

namespace {

// Windows opens a device for these names whatever the extension, so such a file could never be read back.
bool isDeviceName(const QString& name)
{
    const QString base = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    static const QStringList bare = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                     QStringLiteral("NUL")};
    if (bare.contains(base))
        return true;
    // COM and LPT with one digit, superscripts included.
    return base.size() == 4 && (base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT"))) &&
           QStringLiteral("0123456789\u00b9\u00b2\u00b3").contains(base[3]);
}

} // namespace

bool isPlainFileName(const QString& name)
{
    if (name.isEmpty() || name.contains(QStringLiteral("..")))
        return false;
    for (const QChar c : name)
        if (c.unicode() < 32 || QStringLiteral("/\\:*?\"<>|").contains(c))
            return false;
    // Windows drops a trailing dot or space, so the name would stand for another file.
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return false;
    return !isDeviceName(name);
}

QStringList splitLines(const QByteArray& bytes)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        lines << QString::fromLatin1(bytes.constData() + start, i - start);
        if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << QString::fromLatin1(bytes.constData() + start, n - start);
    return lines;
}

QByteArray joinLines(const QStringList& lines)
{
    QByteArray out;
    qsizetype size = 0;
    for (const QString& l : lines)
        size += l.size() + 2;
    out.reserve(size);
    for (const QString& l : lines) {
        out += l.toLatin1();
        out += "\r\n";
    }
    return out;
}

Result<QByteArray> readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return openError(path);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return RunError::of(ErrNo::PathFileAccess);
    return bytes;
}

Result<QStringList> readLines(const QString& path)
{
    const auto bytes = readBytes(path);
    if (!bytes)
        return bytes.error();
    return splitLines(*bytes);
}

Status writeBytes(const QString& path, const QByteArray& bytes) { return CheckedWriter::replace(path, bytes); }

QString foreignCharacters(const QString& text)
{
    QString out;
    for (const QChar c : text)
        if (c.unicode() > 0xff && !out.contains(c))
            out += c;
    return out;
}

Status writeLines(const QString& path, const QStringList& lines)
{
    // Latin-1 would turn these into "?", and the file would read back as other text.
    for (const QString& line : lines)
        if (const QString foreign = foreignCharacters(line); !foreign.isEmpty())
            return RunError::of(ErrNo::InvalidCall,
                                QStringLiteral("The text \"%1\" holds characters that the file cannot keep (%2); "
                                               "nothing was written")
                                    .arg(line.simplified(), foreign));
    return writeBytes(path, joinLines(lines));
}

Status createEmpty(const QString& path) { return writeLines(path, {}); }

Status remove(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return openError(path);
    if (!file.remove())
        return Status::fail(ErrNo::PermissionDenied);
    return {};
}

} // namespace TextFile
