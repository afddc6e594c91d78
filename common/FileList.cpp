#include "FileList.h"

#include <QDir>
#include <QRegularExpression>

QStringList List_Files(const QString& folder, const QString& pattern)
{
    const QRegularExpression re = QRegularExpression::fromWildcard(pattern, Qt::CaseInsensitive);
    const QDir dir(folder, QString(), QDir::Name | QDir::IgnoreCase, QDir::Files | QDir::Hidden);
    QStringList names;
    for (const QString& name : dir.entryList())
        if (re.match(name).hasMatch())
            names << name;
    return names;
}
