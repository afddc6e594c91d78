#pragma once

class NodeCollection;

namespace CntrlTree {
// Empties a tree, removing its nodes from the last index down.
void Clear_Tree(NodeCollection& tree);
}
