#include "HistoryAccess.h"

#include "HistoryStore.h"

#include <QFile>

namespace history {

std::unique_ptr<HistoryReader> openHistoryReader(const QString& appFolder)
{
    const auto config = readStoreConfig(appFolder);
    if (!config)
        return nullptr;
    // A reader never creates the database: no file means nothing was recorded here.
    if (config->kind == StoreConfig::Kind::SQLite && !QFile::exists(config->path))
        return nullptr;
    auto store = HistoryStore::open(*config, HistoryStore::Access::Read);
    if (!store)
        return nullptr;
    return std::move(store).value();
}

} // namespace history
