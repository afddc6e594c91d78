#pragma once

#include "HistoryStoreConfig.h"
#include "RecorderTopics.h"
#include "RunError.h"

#include <QStringList>

// The recorder's command line:
//   HistoryRecorder [--db FILE] [--retention DAYS] [--deadband X] [--min-interval MS] [--progress] FILE...
// FILE: a project (".prj") or a list file; looked for as given, then in the data folder and the application
// folder. Without --db the database is the one "HistoryDB.txt" names, else the default SQLite file.
struct RecorderOptions {
    history::StoreConfig store;
    int retentionDays = 90;
    bool progress = false;  // a line on standard output after every committed batch
    std::vector<RecordedTopic> topics;

    static Result<RecorderOptions> parse(const QStringList& arguments, const QString& appFolder);
};
