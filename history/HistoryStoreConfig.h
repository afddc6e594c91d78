#pragma once

#include "RunError.h"

#include <QString>
#include <QStringList>

namespace history {

// Where the history lives: an SQLite file by default, or a PostgreSQL server named in "HistoryDB.txt".
struct StoreConfig {
    enum class Kind { SQLite, PostgreSQL };
    Kind kind = Kind::SQLite;
    QString path;  // the SQLite file
    QString host;
    int port = 0;  // 0: the client library's default
    QString database;
    QString user;

    // For messages: the file, or user@host:port/database. Never a password: there is none here.
    QString describe() const;
};

inline const QString StoreConfigFileName = QStringLiteral("HistoryDB.txt");

// The default SQLite file of an application folder (given with a trailing separator).
QString defaultDatabasePath(const QString& appFolder);

// One field line: driver ("SQLite" or "PostgreSQL"), host, port, database, user. For SQLite the database
// field names the file (relative to the application folder; empty: the default file). Blank and '#' lines
// are skipped; exactly one line must remain.
Result<StoreConfig> parseStoreConfig(const QStringList& lines, const QString& appFolder);

// "HistoryDB.txt" of the application folder; the default SQLite file when there is none.
Result<StoreConfig> readStoreConfig(const QString& appFolder);

}  // namespace history
