#include "WorkspaceSwap.h"

#include "FileList.h"
#include "TextFile.h"

#include <QFile>

namespace Project {

namespace {

// Names outside the workspace's "*.txt" pattern, so a half-done swap never shows as pages.
const QString NewSuffix = QStringLiteral(".new");
const QString OldSuffix = QStringLiteral(".old");

RunError leftAsItWas(const RunError& error, const QString& path)
{
    return error.withNote(QStringLiteral("the workspace was left as it was")).inFile(path);
}

Status rename(const QString& from, const QString& to)
{
    return QFile::rename(from, to) ? Status() : Status::fail(ErrNo::PathFileAccess);
}

void removeAll(const QStringList& paths)
{
    for (const QString& path : paths)
        QFile::remove(path);
}

// Puts the old files back where they were.
void restore(const QStringList& moved)
{
    for (const QString& path : moved)
        (void)rename(path + OldSuffix, path);
}

Result<QStringList> writeStaged(const QString& folder, const std::vector<OutputFile>& files)
{
    QStringList staged;
    for (const OutputFile& file : files) {
        const QString path = folder + file.name;
        if (const Status written = TextFile::writeLines(path + NewSuffix, file.lines); !written) {
            removeAll(staged);
            return leftAsItWas(written.error(), path);
        }
        staged << path + NewSuffix;
    }
    // A page given twice was written twice; the later one stands, as it always did.
    staged.removeDuplicates();
    return staged;
}

Result<QStringList> moveOldAside(const QString& folder)
{
    QStringList moved;
    for (const QString& name : List_Files(folder, QStringLiteral("*.txt"))) {
        const QString path = folder + name;
        // A copy left by a swap that was cut short is out of date.
        QFile::remove(path + OldSuffix);
        if (const Status renamed = rename(path, path + OldSuffix); !renamed) {
            restore(moved);
            return leftAsItWas(renamed.error(), path);
        }
        moved << path;
    }
    return moved;
}

} // namespace

Status Replace_Workspace(const QString& folder, const std::vector<OutputFile>& files)
{
    const auto staged = writeStaged(folder, files);
    if (!staged)
        return staged.error();
    const auto moved = moveOldAside(folder);
    if (!moved) {
        removeAll(*staged);
        return moved.error();
    }
    QStringList placed;
    for (const QString& from : *staged) {
        const QString to = from.chopped(NewSuffix.size());
        if (const Status renamed = rename(from, to); !renamed) {
            removeAll(placed + *staged);
            restore(*moved);
            return leftAsItWas(renamed.error(), to);
        }
        placed << to;
    }
    for (const QString& path : *moved)
        QFile::remove(path + OldSuffix);
    return {};
}

} // namespace Project
