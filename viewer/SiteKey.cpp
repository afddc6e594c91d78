#include "SiteKey.h"

#include "CheckedWriter.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <array>

namespace SiteKey {

QString PathIn(const QString& folder) { return QDir(folder).filePath(QString::fromLatin1(FileName)); }

Result<QByteArray> Read(const QString& folder)
{
    const QString path = PathIn(folder);
    if (!QFile::exists(path))
        return RunError::of(ErrNo::FileNotFound, QStringLiteral("the site key is missing (no file \"%1\" in %2)")
                                                 .arg(QString::fromLatin1(FileName), QDir::toNativeSeparators(folder)));
    const auto lines = TextFile::readLines(path);
    if (!lines)
        return RunError::of(lines.error().number, QStringLiteral("the site key \"%1\" cannot be read: %2")
                                                  .arg(QDir::toNativeSeparators(path), lines.error().text()));
    const QByteArray hex = lines->value(0).trimmed().toLatin1();
    const QByteArray key = QByteArray::fromHex(hex);
    // fromHex skips what is not a digit, so the length check alone would let a damaged file pass.
    if (key.size() < MinimumBytes || key.toHex() != hex.toLower())
        return RunError::of(ErrNo::TypeMismatch,
                        QStringLiteral("the site key \"%1\" is damaged: it must hold at least %2 hex digits")
                            .arg(QDir::toNativeSeparators(path))
                            .arg(MinimumBytes * 2));
    return key;
}

Result<QString> Create(const QString& folder)
{
    const QString path = PathIn(folder);
    std::array<quint32, 8> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray key(reinterpret_cast<const char*>(words.data()), sizeof words);

    // Owner-only from the first byte, and never over an existing key.
    const Status written =
        CheckedWriter::replace(path, key.toHex() + "\r\n", {.ownerOnly = true, .keepExisting = true});
    if (!written) {
        if (written.error().number == ErrNo::FileAlreadyExists)
            return RunError::of(ErrNo::FileAlreadyExists,
                            QStringLiteral("a site key already exists: %1 (kept; a new key would change the "
                                           "password of every viewer of the site)")
                                .arg(QDir::toNativeSeparators(path)));
        return RunError::of(written.error().number,
                        QStringLiteral("cannot write %1: %2")
                            .arg(QDir::toNativeSeparators(path), written.error().text()));
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    return path;
}

} // namespace SiteKey
