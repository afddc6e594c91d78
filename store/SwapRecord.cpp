#include "SwapRecord.h"

#include "CheckedWriter.h"
#include "TextFile.h"

#include <QFile>
#include <QFileInfo>

namespace Project {

namespace {

const QByteArray Heading = "Workspace swap";
const QByteArray Forward = "forward";
const QByteArray Back = "back";
const QByteArray OldTag = "old\t";
const QByteArray NewTag = "new\t";

RunError damaged(const QString& path) {
    return RunError::of(
               ErrNo::TypeMismatch,
               QStringLiteral("the record of a cut-short Load or Create New is damaged; no file was moved"))
        .inFile(path);
}

} // namespace

QString SwapRecord::pathIn(const QString& folder) {
    return folder + QStringLiteral("Workspace.swap");
}

Result<SwapRecord> SwapRecord::read(const QString& folder) {
    const QString path = pathIn(folder);
    const auto bytes = TextFile::readBytes(path);
    if (!bytes)
        return bytes.error();
    // File names may hold any character, so the record is UTF-8 rather than Latin-1.
    const QList<QByteArray> lines = bytes->split('\n');
    if (lines.size() < 3 || lines[0] != Heading || (lines[1] != Forward && lines[1] != Back) ||
        !lines.last().isEmpty())
        return damaged(path);
    SwapRecord record;
    record.direction = lines[1] == Forward ? Direction::Forward : Direction::Back;
    for (qsizetype i = 2; i + 1 < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const QString name = QString::fromUtf8(line.mid(OldTag.size()));
        if (line.startsWith(OldTag))
            record.oldNames << name;
        else if (line.startsWith(NewTag))
            record.newNames << name;
        else
            return damaged(path);
    }
    return record;
}

Status SwapRecord::write(const QString& folder) const {
    QByteArray out = Heading + '\n' + (direction == Direction::Forward ? Forward : Back) + '\n';
    for (const QString& name : oldNames)
        out += OldTag + name.toUtf8() + '\n';
    for (const QString& name : newNames)
        out += NewTag + name.toUtf8() + '\n';
    return CheckedWriter::replace(pathIn(folder), out);
}

Status SwapRecord::remove(const QString& folder) {
    if (!QFile::remove(pathIn(folder)) && QFileInfo::exists(pathIn(folder)))
        return RunError::of(ErrNo::PermissionDenied).inFile(pathIn(folder));
    return CheckedWriter::syncFolder(folder);
}

} // namespace Project
