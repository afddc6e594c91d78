#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

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

Status writeOpenError(const QString& path)
{
    return Status::fail(QFileInfo(path).dir().exists() ? ErrNo::PermissionDenied : ErrNo::PathNotFound);
}

// Windows opens its devices under these names whatever the extension: "CON.prj" is the console.
bool isDeviceName(const QString& name)
{
    static const QRegularExpression devices(QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9]) *$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return devices.match(name.section(QLatin1Char('.'), 0, 0)).hasMatch();
}

} // namespace

bool isPlainFileName(const QString& name)
{
    if (name.isEmpty() || name.contains(QStringLiteral("..")) || isDeviceName(name))
        return false;
    for (const QChar c : name)
        if (c.unicode() < 32 || QStringLiteral("/\\:*?\"<>|").contains(c))
            return false;
    return true;
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

Result<QStringList> readLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return openError(path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return RunError::of(ErrNo::PathFileAccess);
    return splitLines(bytes);
}

Result<int> countLines(const QString& path)
{
    auto lines = readLines(path);
    if (!lines)
        return lines.error();
    return static_cast<int>(lines->size());
}

Status writeLines(const QString& path, const QStringList& lines)
{
    QSaveFile file(path);
    // Unbuffered, so a short write shows here instead of being lost in a later flush.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return writeOpenError(path);
    const QByteArray bytes = joinLines(lines);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return Status::fail(ErrNo::PathFileAccess);
    return {};
}

Status appendLines(const QString& path, const QStringList& lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return writeOpenError(path);
    const QByteArray bytes = joinLines(lines);
    if (file.write(bytes) != bytes.size() || !file.flush())
        return Status::fail(ErrNo::PathFileAccess);
    return {};
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
