#pragma once

#include "RunError.h"

#include <QString>
#include <QStringList>

#include <vector>

// What the recorder records: every topic of every page of a project, or the lines of a list file.
struct RecordedTopic {
    QString linkTopic;  // "RSLinx|Line1"
    QString item;
    double deadband = 0;    // a number is stored again only when it moved more than this
    int minIntervalMs = 0;  // at most one stored change per interval; the last one waits for its turn
};

namespace RecorderTopics {

// The topic lines of a project file's pages: the default deadband and interval apply to each.
Result<std::vector<RecordedTopic>> fromProject(const QStringList& lines, const QString& file,
                                               const RecordedTopic& defaults);

// A list file: field lines of link topic, item, deadband, minimum interval in ms (empty: the defaults).
// Blank and '#' lines are skipped.
Result<std::vector<RecordedTopic>> fromList(const QStringList& lines, const QString& file,
                                            const RecordedTopic& defaults);

// Reads a ".prj" project or a list file.
Result<std::vector<RecordedTopic>> read(const QString& path, const RecordedTopic& defaults);

// Appends what is new to all: the first of a topic and item (topics without regard to case) wins.
void merge(std::vector<RecordedTopic>& all, const std::vector<RecordedTopic>& more);

}  // namespace RecorderTopics
