#pragma once

#include <QString>

#include <vector>

class NodeCollection;

// Reading a tag tree as the saved-data window and the tag grid show it: children in order, a node's detail
// and the texts of the details pane. A tag's first three characters are its scope index.
namespace TagTree {

// Children of a node in collection order (the first child and its following siblings); of the roots for 0.
std::vector<int> Children(const NodeCollection& tree, int index);
// The next node with the same parent, 0 when there is none.
int NextSibling(const NodeCollection& tree, int index);

// The tag without its three-digit scope index when it has one, the whole tag otherwise.
QString Detail(const QString& tag);
// The scope index at the front of a tag: its leading digits among the first three characters, 0 without any.
int ScopeOf(const QString& tag);

// TagDatVal(0): the node, its number of children and descendants and its parent; lines ended by CR LF.
QString Node_Details(const NodeCollection& tree, int index);
// TagDatVal(1): "Subelements :: " and one "text :: detail" line per child; lines ended by CR LF.
QString Child_Details(const NodeCollection& tree, int index);

} // namespace TagTree
