#pragma once

#include <QString>
#include <QStringList>

// File names in a folder matching a pattern such as "*.prj", without regard to case, sorted by name
// without regard to case, as the Windows file list shows them.
QStringList List_Files(const QString& folder, const QString& pattern);
