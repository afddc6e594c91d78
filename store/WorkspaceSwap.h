#pragma once

#include "RunError.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace Project {

// One file of the workspace: its name in the folder and its lines.
struct OutputFile {
    QString name;
    QStringList lines;
};

// Replaces every "*.txt" file of the folder with these files as one step: the new files are written beside the
// old ones first, an intent record is written, and the files are swapped. A failure puts the old files back; the
// error names the file it is about and says what state the workspace was left in.
Status Replace_Workspace(const QString& folder, const std::vector<OutputFile>& files);

// Finishes or undoes a swap that was cut short, as its record says, so the workspace is whole old or whole new;
// runs before anything in the folder is read.
Status Recover_Workspace(const QString& folder);

} // namespace Project
