#include "WorkspaceSwap.h"

#include "CheckedWriter.h"
#include "FileList.h"
#include "SwapRecord.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>

namespace Project {

namespace {

// Names outside the workspace's "*.txt" pattern, so a half-done swap never shows as pages.
const QString NewSuffix = QStringLiteral(".new");
const QString OldSuffix = QStringLiteral(".old");

using Direction = SwapRecord::Direction;

RunError leftAsItWas(const RunError& error, const QString& path) {
    return error.withNote(QStringLiteral("the workspace was left as it was")).inFile(path);
}

void removeAll(const QString& folder, const QStringList& names, const QString& suffix) {
    for (const QString& name : names)
        QFile::remove(folder + name + suffix);
}

// Every name in both sets is in one of three states, told apart by which of name, name.old and name.new
// exist, so each step below can be taken again after a kill at any instant.
class Mover {
public:
    Mover(const QString& folder, const SwapRecord& record) : m_folder(folder), m_record(record) {}

    // Moves every file the record names; the first failure stops it, and failedAt names its file.
    Status run(Direction direction) {
        const bool forward = direction == Direction::Forward;
        for (const int pass : {0, 1})
            for (const QString& name : names()) {
                m_failedAt = m_folder + name;
                if (Status moved = forward ? forwardStep(name, pass) : backStep(name, pass); !moved)
                    return moved;
            }
        m_failedAt = m_folder;
        return CheckedWriter::syncFolder(m_folder);
    }
    const QString& failedAt() const { return m_failedAt; }

private:
    const QString m_folder;
    const SwapRecord& m_record;
    QString m_failedAt;

    QStringList names() const {
        QStringList all = m_record.oldNames + m_record.newNames;
        all.removeDuplicates();
        return all;
    }
    bool has(const QString& name, const QString& suffix = {}) const {
        return QFile::exists(m_folder + name + suffix);
    }
    Status move(const QString& name, const QString& from, const QString& to) const {
        return CheckedWriter::rename(m_folder + name + from, m_folder + name + to);
    }
    bool isOld(const QString& name) const { return m_record.oldNames.contains(name); }
    bool isNew(const QString& name) const { return m_record.newNames.contains(name); }

    // Old files aside first, then the new ones in.
    Status forwardStep(const QString& name, int pass) const {
        if (pass == 0 && isOld(name) && has(name) && (!isNew(name) || has(name, NewSuffix)))
            return move(name, {}, OldSuffix);
        if (pass == 1 && isNew(name) && has(name, NewSuffix))
            return move(name, NewSuffix, {});
        return {};
    }
    // New files back out first, then the old ones in.
    Status backStep(const QString& name, int pass) const {
        if (pass == 0 && isNew(name) && has(name) && !has(name, NewSuffix) &&
            (!isOld(name) || has(name, OldSuffix)))
            return move(name, {}, NewSuffix);
        if (pass == 1 && isOld(name) && has(name, OldSuffix))
            return move(name, OldSuffix, {});
        return {};
    }
};

// Drops the copies the finished direction no longer needs. Going forward the record goes last, so a kill
// before it repeats only removals; going back it goes first, so no later start takes the swap forward without
// the new files.
Status finish(const QString& folder, const SwapRecord& record, Direction direction) {
    if (direction == Direction::Forward) {
        removeAll(folder, record.oldNames, OldSuffix);
        return SwapRecord::remove(folder);
    }
    if (Status removed = SwapRecord::remove(folder); !removed)
        return removed;
    removeAll(folder, record.newNames, NewSuffix);
    return {};
}

Status complete(const QString& folder, const SwapRecord& record, Direction direction) {
    Mover mover(folder, record);
    if (Status moved = mover.run(direction); !moved)
        return moved.error().inFile(mover.failedAt());
    return finish(folder, record, direction);
}

Result<QStringList> writeStaged(const QString& folder, const std::vector<OutputFile>& files) {
    QStringList staged;
    for (const OutputFile& file : files) {
        const QString path = folder + file.name;
        if (const Status written = TextFile::writeLines(path + NewSuffix, file.lines); !written) {
            // A failed folder sync leaves the file written.
            removeAll(folder, staged << file.name, NewSuffix);
            return leftAsItWas(written.error(), path);
        }
        staged << file.name;
    }
    // A page given twice was written twice; the later one stands, as it always did.
    staged.removeDuplicates();
    return staged;
}

// A "*.old" file without a record is left from a swap of an earlier version and may be the only copy.
Status noStrayOldFiles(const QString& folder) {
    const QStringList stray = List_Files(folder, QStringLiteral("*.txt") + OldSuffix);
    if (stray.isEmpty())
        return {};
    return RunError::of(
               ErrNo::FileAlreadyExists,
               QStringLiteral("%1 is left from a Load or Create New that was cut short and may be the only "
                              "copy of that file; rename it back or move it away first")
                   .arg(stray.first()))
        .withNote(QStringLiteral("the workspace was left as it was"))
        .inFile(folder + stray.first());
}

// The swap failed at error, in file path: the old files are put back, and the message says what is true
// after.
RunError undo(const QString& folder, SwapRecord record, const RunError& error, const QString& path) {
    record.direction = Direction::Back;
    const bool recorded = record.write(folder).ok();
    const QString next = recorded ? QStringLiteral("puts them back") : QStringLiteral("completes the swap");
    Mover mover(folder, record);
    // Every file back but the folder unsynced is as good as back: the record goes next.
    if (const Status back = mover.run(Direction::Back); !back && mover.failedAt() != folder)
        return error
            .withNote(QStringLiteral(
                          "the workspace could not be put back either (%1); the earlier files are kept as "
                          "\"*.old\" and the next start %2")
                          .arg(back.error().inFile(mover.failedAt()).fileText(), next))
            .inFile(path);
    if (Status done = finish(folder, record, Direction::Back); !done)
        return error
            .withNote(
                QStringLiteral(
                    "the earlier files are back, but %1 could not be removed, so the next start %2")
                    .arg(QDir::toNativeSeparators(SwapRecord::pathIn(folder)),
                         recorded ? QStringLiteral("only removes it") : QStringLiteral("completes the swap")))
            .inFile(path);
    return leftAsItWas(error, path);
}

} // namespace

Status Recover_Workspace(const QString& folder) {
    const auto record = SwapRecord::read(folder);
    if (!record) {
        // A missing folder holds no record either; start-up reports the folder itself.
        if (record.error().number != ErrNo::FileNotFound && record.error().number != ErrNo::PathNotFound)
            return record.error();
        // Staged copies of a swap that never began; the project they came from still holds them.
        removeAll(folder, List_Files(folder, QStringLiteral("*.txt") + NewSuffix), {});
        return {};
    }
    return complete(folder, *record, record->direction);
}

Status Replace_Workspace(const QString& folder, const std::vector<OutputFile>& files) {
    if (const Status recovered = Recover_Workspace(folder); !recovered)
        return recovered.error().withNote(QStringLiteral("nothing else was changed"));
    if (const Status clean = noStrayOldFiles(folder); !clean)
        return clean;
    const auto staged = writeStaged(folder, files);
    if (!staged)
        return staged.error();
    const SwapRecord record{Direction::Forward, List_Files(folder, QStringLiteral("*.txt")), *staged};
    if (const Status recorded = record.write(folder); !recorded) {
        // A record on disk says the staged files are whole, so they go only after it.
        if (!SwapRecord::remove(folder).ok() && QFile::exists(SwapRecord::pathIn(folder)))
            return recorded.error()
                .withNote(
                    QStringLiteral("the workspace was left as it was, but the next start completes the swap"))
                .inFile(SwapRecord::pathIn(folder));
        removeAll(folder, *staged, NewSuffix);
        return leftAsItWas(recorded.error(), SwapRecord::pathIn(folder));
    }
    Mover mover(folder, record);
    if (const Status moved = mover.run(Direction::Forward); !moved)
        return undo(folder, record, moved.error(), mover.failedAt());
    // The new workspace is whole; a copy that could not be dropped is dropped at the next start.
    (void)finish(folder, record, Direction::Forward);
    return {};
}

} // namespace Project
