#include "DamagedFile.h"

#include "Messages.h"
#include "TextFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace DamagedFile {

namespace {

const QString Marker = QStringLiteral(".damaged-");

QSet<QString> g_held;

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

// A copy of the same bytes kept before, so opening a damaged page again does not pile up copies.
QString earlierCopy(const QString& path, const QByteArray& bytes)
{
    const QFileInfo info(path);
    const QString prefix = info.fileName() + Marker;
    for (const QFileInfo& copy : info.dir().entryInfoList(QDir::Files | QDir::Hidden)) {
        if (!copy.fileName().startsWith(prefix) || copy.size() != bytes.size())
            continue;
        if (const auto kept = TextFile::readBytes(copy.filePath()); kept && *kept == bytes)
            return copy.filePath();
    }
    return {};
}

Result<QString> keepCopy(const QString& path)
{
    const auto bytes = TextFile::readBytes(path);
    if (!bytes)
        return bytes.error().inFile(path);
    if (QString earlier = earlierCopy(path, *bytes); !earlier.isEmpty())
        return earlier;
    // Digits only, whatever the locale: the name must read back on every system.
    const QString base = path + Marker + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString copy = base;
    for (int n = 2; QFileInfo::exists(copy); ++n)
        copy = base + QLatin1Char('-') + QString::number(n);
    if (const Status written = TextFile::writeBytes(copy, *bytes); !written)
        return written.error().inFile(copy);
    return copy;
}

} // namespace

void Keep(const QString& path)
{
    const auto copy = keepCopy(path);
    if (!copy) {
        g_held.insert(path);
        Messages::show(QStringLiteral("%1 could not be read whole, and its text could not be kept aside: %2. "
                                      "It is left unchanged until it is mended.")
                           .arg(shown(path), copy.error().text()));
        return;
    }
    g_held.remove(path);
    Messages::show(QStringLiteral("%1 could not be read whole. Its full text is kept in %2; the next change "
                                  "rewrites %1 with only what could be read.")
                       .arg(shown(path), shown(*copy)));
}

void Release(const QString& path) { g_held.remove(path); }

Status Check_Rewrite(const QString& path)
{
    if (!g_held.contains(path))
        return {};
    return RunError::of(ErrNo::PermissionDenied,
                        QStringLiteral("Permission denied: the file was not read whole and is left unchanged"))
        .inFile(path);
}

} // namespace DamagedFile
