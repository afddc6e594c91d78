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
// old ones first and swapped in after, so a failure anywhere leaves the old workspace. The error names the file
// it is about and says the workspace was left as it was.
Status Replace_Workspace(const QString& folder, const std::vector<OutputFile>& files);

} // namespace Project
