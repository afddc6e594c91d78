#include "PLCLoader.h"

#include "CntrlTree.h"
#include "FileList.h"
#include "Messages.h"
#include "NodeCollection.h"
#include "SharedVars.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>

#include <limits>

namespace PLCLoader {

std::array<QString, 5> ListingHeader;
qint16 PLCListCount = 0;

namespace {

// A header is five short lines; a file that has not given them within this much is not a structure file.
constexpr qint64 HeaderLimit = 1 << 20;
constexpr qint64 Chunk = 64 * 1024;

PLCData recordOf(const std::array<QString, 5>& h) {
    return {h[0], h[1], h[2], h[3], h[4]};
}

} // namespace

Result<QString> StructureFileOf(const QString& listingFile) {
    const QString base = listingFile.section(QLatin1Char('.'), 0, 0);
    const QString name = base + QStringLiteral(".stc");
    if (base.isEmpty() || !TextFile::isPlainFileName(listingFile) || !TextFile::isPlainFileName(name))
        return RunError::of(
            ErrNo::BadFileName,
            QStringLiteral("The listing file name \"%1\" does not name a structure file in the "
                           "structure folder.")
                .arg(listingFile));
    const QString path = SharedVars::TStructFolder + name;
    if (!QFile::exists(path)) {
        // The list matches "*.Stc" without regard to case; loading must find what it listed.
        const QStringList files = QDir(SharedVars::TStructFolder).entryList(QDir::Files);
        for (const QString& file : files)
            if (file.compare(name, Qt::CaseInsensitive) == 0)
                return SharedVars::TStructFolder + file;
    }
    return path;
}

Status Read_PLC_Header(const QString& fileName) {
    ListingHeader = {};
    QFile file(SharedVars::TStructFolder + fileName);
    if (!file.open(QIODevice::ReadOnly))
        return TextFile::openError(file.fileName());
    // Only the header is read: structure files run to hundreds of thousands of node lines.
    QByteArray bytes;
    QStringList lines;
    while (!file.atEnd() && bytes.size() < HeaderLimit) {
        const QByteArray chunk = file.read(Chunk);
        if (chunk.isEmpty())
            break;
        bytes += chunk;
        lines = TextFile::splitLines(bytes);
        if (lines.size() > 5)
            break;
    }
    lines = TextFile::splitLines(bytes);
    if (lines.size() < 5 || (lines.size() == 5 && !file.atEnd()))
        return RunError::of(ErrNo::InputPastEnd);
    std::array<QString, 5> header;
    for (size_t i = 0; i < header.size(); ++i)
        header[i] = lines[qsizetype(i)];
    if (!recordOf(header).isClean() || !StructureFileOf(header[3]))
        return RunError::of(ErrNo::TypeMismatch);
    ListingHeader = header;
    return {};
}

Status Add_PLC_Node(NodeCollection& tree) {
    const QString& type = ListingHeader[1];
    if (type != PLCTypes::RSLogix500 && type != PLCTypes::RSLogix5000)
        return RunError::of(ErrNo::ElementNotFound);
    if (PLCListCount == std::numeric_limits<qint16>::max())
        return RunError::of(ErrNo::Overflow);
    ++PLCListCount;
    const QString& name = ListingHeader[0];
    QString key = QString::number(PLCListCount) + name;
    // Count and name can run together: 1 with "1Line" and 11 with "Line" both make "11Line".
    while (tree.indexOf(key) > 0)
        key += QLatin1Char('#');
    const QString image = type == PLCTypes::RSLogix500 ? QStringLiteral("PLC500") : QStringLiteral("PLC5000");
    if (Status added = tree.addNode(type, key, name, image, image); !added)
        return added;
    QStringList fields(ListingHeader.begin(), ListingHeader.end());
    tree.setTag(tree.last(), fields.join(QLatin1Char('\t')));
    return {};
}

int Load_PLC_List(NodeCollection& tree, const QString& pattern) {
    CntrlTree::Clear_Tree(tree);
    PLCListCount = 0;
    for (const QString& root : {PLCTypes::RSLogix5000, PLCTypes::RSLogix500}) {
        const QString image =
            root == PLCTypes::RSLogix500 ? QStringLiteral("PLC500") : QStringLiteral("PLC5000");
        (void)tree.addNode(QString(), root, root, image, image);
    }
    for (const QString& name : List_Files(SharedVars::TStructFolder, pattern))
        if (Read_PLC_Header(name))
            (void)Add_PLC_Node(tree);
    ListingHeader = {};
    return PLCListCount;
}

namespace {

Status updateFailure(const QString& path, const RunError& error) {
    Messages::show(QStringLiteral("UpdateFile: ") + error.text() + QStringLiteral(" (") +
                   QDir::toNativeSeparators(path) + QLatin1Char(')'));
    return error;
}

} // namespace

Status UpdateFile(const QString& path) {
    const PLCData& r = LoadedPLC;
    if (!r.isClean())
        return updateFailure(path, RunError::of(ErrNo::InvalidCall));
    if (const QString why = r.unsavable(); !why.isEmpty()) {
        Messages::show(why);
        return Status::fail(ErrNo::InvalidCall);
    }
    auto lines = TextFile::readLines(path);
    if (!lines)
        return updateFailure(path, lines.error());
    // Only the name and topic change: a file of another type or listing is another controller's.
    if (lines->value(1) != r.type || lines->value(3) != r.listingFile) {
        Messages::show(
            QStringLiteral("UpdateFile: %1 no longer holds the controller imported from %2; it was "
                           "left as it was. Load the controller again.")
                .arg(QDir::toNativeSeparators(path), r.listingFile));
        return Status::fail(ErrNo::InvalidCall);
    }
    QStringList out{r.name, r.type, r.topic, r.listingFile, r.scopeList};
    out += lines->mid(5);
    if (Status written = TextFile::writeLines(path, out); !written)
        return updateFailure(path, written.error());
    return {};
}

} // namespace PLCLoader
