#pragma once

class NodeCollection;

namespace CntrlTree {
// Empties a tree, removing whole subtrees from the last root down (linear in the number of nodes).
void Clear_Tree(NodeCollection& tree);
}
