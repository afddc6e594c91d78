// A tag export through the comma-separated conversion both import pipelines start with.
#include "CsvFile.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input = FuzzSupport::input(QStringLiteral("export.csv"), data, size);
    (void)FileIO::Convert_CSV_to_TXT(input, FuzzSupport::appPath(QStringLiteral("export.txt")));
    return 0;
}
