#pragma once

#include "RunError.h"

#include <QString>
#include <QStringList>

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
// Whether lines would read as a page list whole; the error names the file and the first line that would not.
Status PageList_Check(const QStringList& lines, const QString& file);
// Rewrites the page list from the tree; false when it could not be written.
bool PageStructure_Write(const NodeCollection& tree);
// Deletes the selected page, its sub pages and their page files, then rewrites the page list.
void PageStructure_Delete(NodeCollection& tree);

// A typed page name or title as the page list can hold it: control characters, TAB and line breaks among
// them, become spaces; outer spaces go.
QString Page_Text(QString typed);

// The page file of a page key.
QString PageFilePath(const QString& key);

} // namespace DDEBuilder
