#include "HistoryStoreConfig.h"

#include "FileIO.h"
#include "TextFile.h"

#include <QDir>
#include <QFileInfo>

namespace history {

namespace {

RunError badLine(int line, const QString& why)
{
    return RunError::of(ErrNo::InvalidCall, why).inFile(StoreConfigFileName, line);
}

Result<StoreConfig> fromFields(const QStringList& fields, int line, const QString& appFolder)
{
    StoreConfig config;
    const QString driver = fields.value(0).trimmed();
    if (driver.compare(QStringLiteral("SQLite"), Qt::CaseInsensitive) == 0) {
        const QString file = fields.value(3).trimmed();
        config.path = file.isEmpty() ? defaultDatabasePath(appFolder)
                                     : QDir(appFolder).absoluteFilePath(file);
        return config;
    }
    if (driver.compare(QStringLiteral("PostgreSQL"), Qt::CaseInsensitive) != 0)
        return badLine(line, QStringLiteral("Unknown database driver \"%1\" (SQLite or PostgreSQL)").arg(driver.left(40)));
    config.kind = StoreConfig::Kind::PostgreSQL;
    config.host = fields.value(1).trimmed();
    const QString port = fields.value(2).trimmed();
    if (!port.isEmpty()) {
        bool ok = false;
        config.port = port.toInt(&ok);
        if (!ok || config.port < 1 || config.port > 65535)
            return badLine(line, QStringLiteral("Bad port \"%1\"").arg(port.left(20)));
    }
    config.database = fields.value(3).trimmed();
    config.user = fields.value(4).trimmed();
    if (config.database.isEmpty())
        return badLine(line, QStringLiteral("No database named"));
    return config;
}

}  // namespace

QString StoreConfig::describe() const
{
    if (kind == Kind::SQLite)
        return path;
    return QStringLiteral("%1@%2:%3/%4").arg(user, host).arg(port).arg(database);
}

QString defaultDatabasePath(const QString& appFolder)
{
    return appFolder + QStringLiteral("Struct/History/History.db");
}

Result<StoreConfig> parseStoreConfig(const QStringList& lines, const QString& appFolder)
{
    std::optional<Result<StoreConfig>> found;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (found)
            return badLine(i + 1, QStringLiteral("More than one database line"));
        FileIO::Parse_Line(line);
        found = fromFields(FileIO::ParsedFields, i + 1, appFolder);
        if (!*found)
            return *found;
    }
    if (!found)
        return badLine(0, QStringLiteral("No database line"));
    return *found;
}

Result<StoreConfig> readStoreConfig(const QString& appFolder)
{
    const QString path = appFolder + StoreConfigFileName;
    if (!QFileInfo::exists(path)) {
        StoreConfig config;
        config.path = defaultDatabasePath(appFolder);
        return config;
    }
    const auto lines = TextFile::readLines(path);
    if (!lines)
        return lines.error().inFile(path);
    return parseStoreConfig(*lines, appFolder);
}

}  // namespace history
