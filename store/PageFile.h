#pragma once

#include "MarkedRows.h"
#include "TopicRecord.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <vector>

// The topic table of the open page and the page file it is read from and written to.
namespace DDEBuilder {

using ::MarkedRows;
using ::TopicRecord;

// One entry per line of the open page file; one empty entry when the page has no topics.
extern std::vector<TopicRecord> Topics;
// Valid entries of Topics.
extern qint16 TopicCount;
// Full path of the page file of the page open in the editor.
extern QString CurrentPageFile;

inline constexpr int MaxTopics = 32767;

// Loads CurrentPageFile into Topics and TopicCount. A missing file leaves the table empty without a message.
bool PageFile_Read();
// What a marked row becomes on the page besides its tag: its description and whether it shows as a bit.
struct RowLabel {
    QString description;
    bool isBool = false;
};
using RowLabeller = std::function<RowLabel(int row)>;

// Appends a topic for every marked row: tag in column 2, read-only and protected; description and Bool
// flag from label, or column 3 and not a bit without one. programScope, when not empty, turns the tag into
// "Program:" + scope + "." + tag.
bool PageFile_Add(const MarkedRows& grid, const QString& ddeTopic, const QString& programScope = QString(),
                  const RowLabeller& label = {});
// Keeps line i of CurrentPageFile only when row i + 1 of the grid is unmarked.
bool PageFile_Remove(const MarkedRows& grid);
// Rewrites CurrentPageFile from Topics[0 .. TopicCount - 1].
bool PageFile_Update();

} // namespace DDEBuilder
