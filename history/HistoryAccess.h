#pragma once

#include "HistorySample.h"

#include <QString>

#include <memory>

namespace history {

// The history the programs read: the database named for the application folder (the SQLite file under
// Struct/History/, or the server that "HistoryDB.txt" names); nullptr when there is none.
std::unique_ptr<HistoryReader> openHistoryReader(const QString& appFolder);

} // namespace history
