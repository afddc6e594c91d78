#pragma once

#include "RunError.h"

#include <QString>
#include <QStringList>

// Projects: named snapshots of the workspace ("PageList.txt" and the page files) in one ".prj" file.
// Folders are given with a trailing separator, like DDEDataFolder.
namespace Project {

inline const QString DefaultName = QStringLiteral("Default");
inline const QString BeginTopics = QStringLiteral("Begin Topics");

// Whether a typed project name may name a file in the data folder.
bool isValidName(const QString& name);

// Deletes every "*.txt" file of the folder and leaves an empty "PageList.txt", as one step.
Status New_Workspace(const QString& folder);

// Writes the workspace to folder + name + ".prj", replacing a project of that name.
Status SaveProject(const QString& folder, const QString& name);

// Replaces the workspace with the project file. The project is read and checked whole first: when it cannot
// be read, names a page file that would land outside the folder, or holds a page list that would not read
// whole, the workspace is left as it was; so it is when writing the new files fails.
Status LoadProject(const QString& folder, const QString& fileName);

// Converts a project of the older format in place: "#" lines keep their first field, other lines gain a TAB.
// The caller loads it afterwards.
Status ImportProject(const QString& folder, const QString& fileName);

} // namespace Project
