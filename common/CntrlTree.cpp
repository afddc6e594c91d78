#include "CntrlTree.h"

#include "NodeCollection.h"

namespace CntrlTree {

void Clear_Tree(NodeCollection& tree)
{
    // Roots only: each removal takes its subtree in one pass, where node by node would signal every item.
    for (int i = tree.count(); i >= 1; --i)
        if (i <= tree.count() && tree.parent(i) == 0)
            tree.removeNode(i);
}

} // namespace CntrlTree
