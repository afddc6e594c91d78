#pragma once

#include "PLCData.h"
#include "RunError.h"

#include <QString>
#include <QStringList>

class NodeCollection;
class Progress;

namespace PLCTagHandler {

// Loaded state: the scope names of the structure file loaded last (line 5) and their upper index.
extern QStringList LoadedScopes;
extern qint16 LoadedScopeUpper;
// Scope index of the rows the tag grid shows; a program scope makes a tag "Program:" + scope + "." + tag.
extern qint16 SelectedScope;

// Replaces the tree's nodes with those of a structure file and sets LoadedPLC and the loaded scopes.
// Roots get key, text and tag from the key field and the image "PLC5000"; other nodes "c" and "o".
// A node line whose parent is unknown or whose key is repeated is skipped; one message tells how a
// damaged file was read. Fails, with a message, when the file cannot be read or is shorter than its header;
// the tree is then empty and so is LoadedPLC.
Status Load_Tags(const QString& path, NodeCollection& tree, Progress* progress = nullptr);

// How often the load lets pending events run and moves the bar.
inline constexpr int ProgressEvery = 251;

} // namespace PLCTagHandler
