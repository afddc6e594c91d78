// An RSLogix500 tag export through the check of its header and the whole import pipeline into an address
// tree, in the converter's node list.
#include "ExportKind.h"
#include "FuzzSupport.h"
#include "Proc500.h"
#include "TagNodeList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    (void)ExportKind::of(QByteArrayView(data, qsizetype(size)));
    TagNodeList tree;
    (void)Proc500::Import_RSLogix500(FuzzSupport::input(QStringLiteral("export.csv"), data, size), tree);
    return 0;
}
