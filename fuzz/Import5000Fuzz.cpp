// An RSLogix5000 tag export through the whole import pipeline into scopes, tags and members, in the
// converter's node list.
#include "FuzzSupport.h"
#include "Proc5000.h"
#include "TagNodeList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TagNodeList tree;
    (void)Proc5000::Import_RSLogix5000(FuzzSupport::input(QStringLiteral("export.csv"), data, size), tree);
    return 0;
}
