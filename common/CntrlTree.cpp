#include "CntrlTree.h"

#include "NodeCollection.h"

namespace CntrlTree {

void Clear_Tree(NodeCollection& tree)
{
    for (int i = tree.count(); i >= 1; --i)
        tree.removeNode(i);
}

} // namespace CntrlTree
