#pragma once

#include "RunError.h"

#include <QString>
#include <QStringList>

#include <cmath>
#include <limits>
#include <optional>
#include <type_traits>
#include <vector>

// What the recorder records: every topic of every page of a project, or the lines of a list file.
struct RecordedTopic {
    QString linkTopic;  // "RSLinx|Line1"
    QString item;
    double deadband = 0;    // a number is stored again only when it moved more than this
    int minIntervalMs = 0;  // at most one stored change per interval; the last one waits for its turn
};

namespace RecorderTopics {

// A deadband, an interval or a number of days as written in a list file or on the command line: a
// non-negative finite number that T holds (a double up to 1e12), else nothing.
template <class T>
std::optional<T> optionNumber(const QString& text)
{
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    const double most = std::is_integral_v<T> ? double(std::numeric_limits<T>::max()) : 1e12;
    if (!ok || !std::isfinite(number) || number < 0 || number > most)
        return std::nullopt;
    return static_cast<T>(number);
}

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
