// A structure file loaded into a tag tree, as the PLC list's "&Load" does.
#include "FuzzSupport.h"
#include "NodeList.h"
#include "PLCTagHandler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    NodeList tree;
    (void)PLCTagHandler::Load_Tags(FuzzSupport::input(QStringLiteral("Struct/TStruct/Fuzz.stc"), data, size),
                                   tree);
    return 0;
}
