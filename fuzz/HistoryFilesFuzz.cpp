// The recorder's input files: "HistoryDB.txt", a list file of topics and a project read for its topics.
#include "FuzzSupport.h"
#include "HistoryStoreConfig.h"
#include "RecorderTopics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    (void)FuzzSupport::input(history::StoreConfigFileName, data, size);
    (void)history::readStoreConfig(FuzzSupport::appPath(QString()));
    (void)RecorderTopics::read(FuzzSupport::input(QStringLiteral("Topics.txt"), data, size), {});
    (void)RecorderTopics::read(FuzzSupport::input(QStringLiteral("Fuzz.prj"), data, size), {});
    return 0;
}
