// A page file read into the topic table of the page editor.
#include "FuzzSupport.h"
#include "PageFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DDEBuilder::CurrentPageFile = FuzzSupport::input(QStringLiteral("Struct/DDEData/SFuzz.txt"), data, size);
    (void)DDEBuilder::PageFile_Read();
    return 0;
}
