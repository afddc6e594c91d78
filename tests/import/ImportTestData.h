#pragma once

#include "NodeCollection.h"
#include "Progress.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

// Readable strings in test failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// Sample exports written for these tests, and helpers to look at the trees made from them.
namespace ImportTestData {

// An RSLogix500 address export with its header lines.
QByteArray rslogix500();
// An RSLogix5000 tag export: remark lines, header, controller and program tags with comments.
QByteArray rslogix5000();

// Every node as "parent key|key|text|tag|image", in collection order.
QStringList dump(const NodeCollection& tree);
// The node with this text; fails the test when there is none.
int nodeWithText(const NodeCollection& tree, const QString& text);

// The staged files of both pipelines, and the folders of imports, left in the structure folder.
QStringList stagedLeft();

} // namespace ImportTestData

// Keeps what a pipeline shows in the progress frame.
class RecordingProgress : public Progress {
public:
    QStringList captions;
    QList<int> percents;
    void caption(const QString& text) override { captions << text; }
    void percent(int value) override { percents << value; }
};
