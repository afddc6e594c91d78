#pragma once

#include "RunError.h"

#include <QByteArray>
#include <QString>

// The site's secret for the day's password: a file of hex digits that lies beside the viewer. Every viewer
// of a site gets a copy of the same file.
namespace SiteKey {

inline constexpr char FileName[] = "Site.key";
inline constexpr int MinimumBytes = 16;

QString PathIn(const QString& folder);

// The key of the folder; the error's description says what is wrong in words an operator can pass on.
Result<QByteArray> Read(const QString& folder);

// Writes a new key of 256 random bits that only the file's owner may read, and returns its path. An
// existing key is never replaced: a new one would change the password of every viewer of the site.
Result<QString> Create(const QString& folder);

} // namespace SiteKey
