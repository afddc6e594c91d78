// A project file loaded over the workspace, as the project manager's "Load" does.
#include "FuzzSupport.h"
#include "Project.h"
#include "SharedVars.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    (void)FuzzSupport::input(QStringLiteral("Struct/DDEData/Fuzz.prj"), data, size);
    (void)Project::LoadProject(SharedVars::DDEDataFolder, QStringLiteral("Fuzz.prj"));
    return 0;
}
