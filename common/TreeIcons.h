#pragma once

#include <QIcon>
#include <QString>

// The programs' image list: icons by the keys the trees use ("i", "c", "o", "PLC500", ...).
namespace TreeIcons {
QIcon icon(const QString& key);
}
