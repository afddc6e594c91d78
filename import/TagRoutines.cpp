#include "TagRoutines.h"

#include "ImportFrame.h"
#include "Messages.h"
#include "NodeCollection.h"
#include "PLCLoader.h"
#include "Progress.h"
#include "SharedVars.h"
#include "TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace TagRoutines {

namespace {

const QString SaveName = QStringLiteral("Save_Tags");

void appendField(QByteArray& out, const QString& text) {
    out += text.toLatin1();
    out += '\t';
}

} // namespace

QString StructureFile(const PLCData& record) {
    // One rule for saving and for the PLC list, so the list finds what was saved.
    const auto path = PLCLoader::StructureFileOf(record.listingFile);
    return path ? path.value() : QString();
}

Status Save_Tags(const NodeCollection& tree, Progress* progress) {
    const PLCData& r = PLCRecord;
    const QString header[] = {r.name, r.type, r.topic, r.listingFile, r.scopeList};
    for (const QString& line : header)
        if (line.isEmpty() || !r.isClean()) {
            Messages::show(QStringLiteral("Error in user data save aborted."));
            return Status::fail(ErrNo::InvalidCall);
        }
    const QString path = StructureFile(r);
    if (path.isEmpty()) {
        const RunError error = RunError::of(ErrNo::BadFileName);
        Messages::reportFile(SaveName, error);
        return error;
    }
    if (progress) {
        progress->caption(QStringLiteral("Saving Tags..."));
        progress->percent(0);
    }
    ImportFrame::processEvents();

    QByteArray out;
    for (const QString& line : header) {
        out += line.toLatin1();
        out += "\r\n";
    }
    const int n = tree.count();
    int shown = 0;
    for (int i = 1; i <= n; ++i) {
        const int p = tree.parent(i);
        appendField(out, p > 0 ? tree.key(p) : QString());
        appendField(out, tree.key(i));
        appendField(out, tree.text(i));
        appendField(out, tree.tag(i));
        out += "\r\n";
        if (progress && i * 100 / n != shown)
            progress->percent(shown = i * 100 / n);
    }

    // Written beside the old file and renamed over it, so a failed save leaves the earlier file.
    QSaveFile file(path);
    Status status;
    if (!file.open(QIODevice::WriteOnly))
        status = Status::fail(QFileInfo(path).dir().exists() ? ErrNo::PermissionDenied : ErrNo::PathNotFound);
    else if (file.write(out) != out.size() || !file.commit())
        status = Status::fail(ErrNo::PathFileAccess);
    if (!status)
        Messages::reportFile(SaveName, status.error());
    ImportFrame::processEvents();
    return status;
}

} // namespace TagRoutines
