// "PageList.txt" read into the page tree, as both programs do at start.
#include "FuzzSupport.h"
#include "NodeList.h"
#include "PageStructure.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    (void)FuzzSupport::input(QStringLiteral("Struct/DDEData/") + DDEBuilder::PageListName, data, size);
    NodeList tree;
    DDEBuilder::PageStructure_Read(tree);
    return 0;
}
