#include "PageStructure.h"

#include "FileIO.h"
#include "Messages.h"
#include "NodeCollection.h"
#include "SharedVars.h"
#include "TextFile.h"

namespace DDEBuilder {

QString CurrentNode;

namespace {

const QString ReadName = QStringLiteral("PageStructure_Read");

void reportReadFailure(const RunError& error)
{
    if (error.number == ErrNo::FileNotFound) {
        Messages::show(QStringLiteral("Could not find a project, loading empty workspace."));
        return;
    }
    Messages::report(ReadName, error);
    if (error.number == ErrNo::PathNotFound) {
        Messages::show(QStringLiteral("Ensure that the following folders are present\n"
                                      "app.path\\Struct\\\n"
                                      "app.path\\Struct\\DDEData\n"
                                      "app.path\\Struct\\TStruct\n"
                                      "The program will not work correctly if these folders are missing."),
                       Messages::Icon::Exclamation);
        return;
    }
    Messages::beep();
}

// Adds one page list line to the tree.
Status addPage(NodeCollection& tree, const QString& line)
{
    if (FileIO::Parse_Line(line) < 3)
        return Status::fail(ErrNo::SubscriptOutOfRange);
    const QStringList& f = FileIO::ParsedFields;
    // The key names a file: it must stay inside the data folder.
    if (!TextFile::isPlainFileName(f[1]))
        return Status::fail(ErrNo::BadFileName);
    const Status added = tree.addNode(f[0], f[1], f[2], QStringLiteral("c"), QStringLiteral("o"));
    if (!added)
        return added;
    tree.setTag(tree.last(), f[3]);
    CurrentNode = f[1];
    return {};
}

} // namespace

QString PageFilePath(const QString& key) { return SharedVars::DDEDataFolder + key + QStringLiteral(".txt"); }

void PageStructure_Read(NodeCollection& tree)
{
    if (tree.addNode(QString(), RootKey, RootText, QStringLiteral("i"), QStringLiteral("i"))) {
        tree.setTag(tree.last(), RootText);
        CurrentNode = RootKey;
    }
    const auto lines = TextFile::readLines(SharedVars::DDEDataFolder + PageListName);
    if (!lines) {
        reportReadFailure(lines.error());
        return;
    }
    for (const QString& line : *lines) {
        if (const Status added = addPage(tree, line); !added) {
            reportReadFailure(added.error());
            return;
        }
    }
}

bool PageStructure_Write(const NodeCollection& tree)
{
    QStringList lines;
    for (int i = 2; i <= tree.count(); ++i)
        lines << FileIO::Join_Fields({tree.parentKey(i), tree.key(i), tree.text(i), tree.tag(i)});
    const Status written = TextFile::writeLines(SharedVars::DDEDataFolder + PageListName, lines);
    if (!written)
        Messages::report(QStringLiteral("PageStructure_Write"), written.error());
    return written.ok();
}

void PageStructure_Delete(NodeCollection& tree)
{
    const int selected = tree.selectedIndex();
    if (selected < 1)
        return;
    // Descendants are found through their parents, so a sibling whose name starts alike stays.
    for (int i = tree.count(); i >= selected; --i) {
        if (!tree.isWithin(i, selected))
            continue;
        const QString path = PageFilePath(tree.key(i));
        // A page whose file is already gone can still be deleted.
        if (const Status removed = TextFile::remove(path); !removed && removed.error().number != ErrNo::FileNotFound) {
            Messages::report(QStringLiteral("PageStructure_Delete"), removed.error());
            return;
        }
        tree.removeNode(i);
    }
    PageStructure_Write(tree);
}

} // namespace DDEBuilder
