#include "PageStructure.h"

#include "DamagedFile.h"
#include "FileIO.h"
#include "Messages.h"
#include "NodeList.h"
#include "SharedVars.h"
#include "TextFile.h"

namespace DDEBuilder {

QString CurrentNode;

namespace {

const QString ReadName = QStringLiteral("PageStructure_Read");

QString listPath() { return SharedVars::DDEDataFolder + PageListName; }

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

void addRoot(NodeCollection& tree)
{
    if (tree.addNode(QString(), RootKey, RootText, QStringLiteral("i"), QStringLiteral("i")))
        tree.setTag(tree.last(), RootText);
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
    if (const Status shallow = tree.checkDepth(f[0]); !shallow)
        return shallow;
    const Status added = tree.addNode(f[0], f[1], f[2], QStringLiteral("c"), QStringLiteral("o"));
    if (!added)
        return added;
    tree.setTag(tree.last(), f[3]);
    return {};
}

// Adds the pages of a list to a tree that holds the root; stops at the first line it cannot take.
Status addPages(NodeCollection& tree, const QStringList& lines, const QString& file)
{
    for (int i = 0; i < lines.size(); ++i)
        if (const Status added = addPage(tree, lines[i]); !added)
            return added.error().inFile(file, i + 1);
    return {};
}

// Reads the list into a tree that holds the root; a list read only in part is kept aside.
void readList(NodeCollection& tree)
{
    const QString path = listPath();
    const auto lines = TextFile::readLines(path);
    const int number = lines ? 0 : lines.error().number;
    if (number == ErrNo::FileNotFound || number == ErrNo::PathNotFound) {
        DamagedFile::Release(path);
        reportReadFailure(lines.error().inFile(path));
        return;
    }
    const Status read = lines ? addPages(tree, *lines, path) : Status(lines.error().inFile(path));
    if (read) {
        DamagedFile::Release(path);
        return;
    }
    reportReadFailure(read.error());
    DamagedFile::Keep(path);
}

Status writeList(const NodeCollection& tree)
{
    const QString path = listPath();
    if (const Status allowed = DamagedFile::Check_Rewrite(path); !allowed)
        return allowed;
    QStringList lines;
    for (int i = 2; i <= tree.count(); ++i)
        lines << FileIO::Join_Fields({tree.parentKey(i), tree.key(i), tree.text(i), tree.tag(i)});
    if (const Status written = TextFile::writeLines(path, lines); !written)
        return written.error().inFile(path);
    return {};
}

} // namespace

void PageStructure_Read(NodeCollection& tree)
{
    addRoot(tree);
    readList(tree);
    if (tree.count() > 0)
        CurrentNode = tree.key(tree.last());
}

QString PageFilePath(const QString& key) { return SharedVars::DDEDataFolder + key + QStringLiteral(".txt"); }

QString Page_Text(QString typed)
{
    for (QChar& c : typed)
        if (c.unicode() < 32)
            c = QLatin1Char(' ');
    return typed.trimmed();
}

Status PageList_Check(const QStringList& lines, const QString& file)
{
    NodeList tree;
    addRoot(tree);
    return addPages(tree, lines, file);
}

bool PageStructure_Write(const NodeCollection& tree)
{
    const Status written = writeList(tree);
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
            Messages::report(QStringLiteral("PageStructure_Delete"), removed.error().inFile(path));
            return;
        }
        tree.removeNode(i);
    }
    PageStructure_Write(tree);
}

} // namespace DDEBuilder
