#pragma once

#include <QString>

class NodeCollection;

// The page tree and its file "PageList.txt".
namespace DDEBuilder {

// Key of the node added or read last.
extern QString CurrentNode;

inline const QString PageListName = QStringLiteral("PageList.txt");
inline const QString RootKey = QStringLiteral("Main");
inline const QString RootText = QStringLiteral("Main Page");

// Adds the root and every page of the page list to an emptied tree.
void PageStructure_Read(NodeCollection& tree);
// Rewrites the page list from the tree; false when it could not be written.
bool PageStructure_Write(const NodeCollection& tree);
// Deletes the selected page, its sub pages and their page files, then rewrites the page list.
void PageStructure_Delete(NodeCollection& tree);

// The page file of a page key.
QString PageFilePath(const QString& key);

} // namespace DDEBuilder
