#include "RunError.h"

#include <QDir>
#include <QHash>

namespace {

const QHash<int, QString>& catalogue()
{
    static const QHash<int, QString> table = {
        {ErrNo::InvalidCall, QStringLiteral("Invalid procedure call or argument")},
        {ErrNo::Overflow, QStringLiteral("Overflow")},
        {ErrNo::OutOfMemory, QStringLiteral("Out of memory")},
        {ErrNo::SubscriptOutOfRange, QStringLiteral("Subscript out of range")},
        {ErrNo::TypeMismatch, QStringLiteral("Type mismatch")},
        {ErrNo::BadFileName, QStringLiteral("Bad file name or number")},
        {ErrNo::FileNotFound, QStringLiteral("File not found")},
        {ErrNo::FileAlreadyExists, QStringLiteral("File already exists")},
        {ErrNo::DiskFull, QStringLiteral("Disk full")},
        {ErrNo::InputPastEnd, QStringLiteral("Input past end of file")},
        {ErrNo::PermissionDenied, QStringLiteral("Permission denied")},
        {ErrNo::PathFileAccess, QStringLiteral("Path/File access error")},
        {ErrNo::PathNotFound, QStringLiteral("Path not found")},
        {ErrNo::NoForeignApplication, QStringLiteral("No foreign application responded to a DDE initiate")},
        {ErrNo::DdeTimeout, QStringLiteral("Timeout while waiting for DDE response")},
        {ErrNo::ElementNotFound, QStringLiteral("Element not found")},
        {ErrNo::KeyNotUnique, QStringLiteral("Key is not unique in collection")},
    };
    return table;
}

} // namespace

RunError RunError::of(int number)
{
    return {number, catalogue().value(number, QStringLiteral("Application-defined or object-defined error"))};
}

QString RunError::text() const
{
    return description + QLatin1Char(' ') + QString::number(number);
}

QString RunError::fileText() const
{
    return description + QStringLiteral(" # ") + QString::number(number);
}

RunError RunError::inFile(const QString& file, int line) const
{
    if (file.isEmpty())
        return *this;
    QString where = QDir::toNativeSeparators(file);
    if (line > 0)
        where += QStringLiteral(", line %1").arg(line);
    return {number, description + QStringLiteral(" (") + where + QLatin1Char(')')};
}
