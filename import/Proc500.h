#pragma once

#include "ImportFrame.h"

#include <QString>

class NodeCollection;
class Progress;

namespace Proc500 {

enum ImportType { RSLogix5000Export = 1, RSLogix500Export = 2 };

// 1 when the first line holds "remark" (an RSLogix5000 export), otherwise 2; an unreadable file counts as 2.
int Get_Import_Type(const QString& path);

// Turns an RSLogix500 export into an address tree in six staged steps and fills PLCRecord.
// The tree is emptied first, so a second import never meets the keys of the first.
ImportOutcome Import_RSLogix500(const QString& path, NodeCollection& tree, Progress* progress = nullptr);

// Runs the pipeline for the export's kind (ExportKind). A file that is neither kind of export is refused
// with a message before anything is written or the tree is touched (ImportOutcome::refused).
ImportOutcome Import_Listing(const QString& path, NodeCollection& tree, Progress* progress = nullptr);

// Removes every node, roots last-first, each with its subtree.
void Clear_Nodes(NodeCollection& tree);

inline const QString RootKey = QStringLiteral("RSLogix500");

} // namespace Proc500
