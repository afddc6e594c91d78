#include "TagRoutines.h"

#include "ImportFrame.h"
#include "Messages.h"
#include "NodeCollection.h"
#include "PLCLoader.h"
#include "Progress.h"
#include "SharedVars.h"
#include "TextFile.h"

#include <QDir>

#include <vector>

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

bool HasTags(const NodeCollection& tree) {
    for (int i = 1; i <= tree.count(); ++i)
        if (tree.parent(i) > 0)
            return true;
    return false;
}

namespace {

QString headerOf(const PLCData& r, int line) {
    const QString* fields[] = {&r.name, &r.type, &r.topic, &r.listingFile, &r.scopeList};
    return *fields[line];
}

// The structure file a save of this record and tree may replace; a refusal is shown here.
Result<QString> saveTarget(const PLCData& r, const NodeCollection& tree) {
    for (int line = 0; line < 5; ++line)
        if (headerOf(r, line).isEmpty() || !r.isClean()) {
            Messages::show(QStringLiteral("Error in user data save aborted."));
            return RunError::of(ErrNo::InvalidCall);
        }
    if (const QString why = r.unsavable(); !why.isEmpty()) {
        Messages::show(why);
        return RunError::of(ErrNo::InvalidCall);
    }
    const auto target = PLCLoader::StructureFileOf(r.listingFile);
    if (!target) {
        Messages::reportFile(SaveName, target.error());
        return target.error();
    }
    // A header without nodes would replace a good structure file with an empty controller.
    if (!HasTags(tree)) {
        Messages::show(QStringLiteral("No tags were found in %1; the structure file %2 was left as it was.")
                           .arg(r.listingFile, QDir::toNativeSeparators(*target)));
        return RunError::of(ErrNo::InvalidCall);
    }
    return target;
}

// The size of the file, so its buffer is made once: a buffer that grows as it fills holds the old and the
// new one at once, half as much again as the file.
qsizetype fileSize(const PLCData& r, const NodeCollection& tree) {
    qsizetype size = 0;
    for (int line = 0; line < 5; ++line)
        size += headerOf(r, line).size() + 2;
    // A parent stands before its children, so its key's length is known when they come.
    std::vector<qsizetype> keyLength(size_t(tree.count()) + 1, 0);
    for (int i = 1; i <= tree.count(); ++i) {
        keyLength[size_t(i)] = tree.key(i).size();
        size += keyLength[size_t(tree.parent(i))] + keyLength[size_t(i)] + tree.text(i).size() +
                tree.tag(i).size() + 6;
    }
    return size;
}

QByteArray fileBytes(const PLCData& r, const NodeCollection& tree, Progress* progress) {
    QByteArray out;
    out.reserve(fileSize(r, tree));
    for (int line = 0; line < 5; ++line) {
        out += headerOf(r, line).toLatin1();
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
    return out;
}

} // namespace

Status Save_Tags(const NodeCollection& tree, Progress* progress) {
    const auto target = saveTarget(PLCRecord, tree);
    if (!target)
        return target.error();
    const QString& path = *target;
    if (progress) {
        progress->caption(QStringLiteral("Saving Tags..."));
        progress->percent(0);
    }
    ImportFrame::processEvents();
    const QByteArray out = fileBytes(PLCRecord, tree, progress);

    // Written beside the old file and renamed over it, so a failed save leaves the earlier file.
    const Status status = TextFile::writeBytes(path, out);
    if (!status)
        Messages::show(SaveName + QStringLiteral(": ") + status.error().fileText() + QStringLiteral(" (") +
                       QDir::toNativeSeparators(path) + QLatin1Char(')'));
    ImportFrame::processEvents();
    return status;
}

} // namespace TagRoutines
