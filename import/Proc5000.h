#pragma once

#include "ImportFrame.h"

#include <QString>
#include <QStringList>

class NodeCollection;
class Progress;

namespace Proc5000 {

// Scope names of the last RSLogix5000 import in order of first appearance; index 0 is the first one seen.
extern QStringList ScopeNames;
inline int ScopeUpper() {
    return static_cast<int>(ScopeNames.size()) - 1;
}

inline const QString ControllerScope = QStringLiteral("Controller_Tags");

// Turns an RSLogix5000 export into scope roots, tag nodes and member nodes in ten staged steps and fills
// PLCRecord. The tree is emptied first.
ImportOutcome Import_RSLogix5000(const QString& path, NodeCollection& tree, Progress* progress = nullptr);

} // namespace Proc5000
