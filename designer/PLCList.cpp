// The PLC list's actions: show the selected controller, load it into the tag explorer, rename it or give
// it another DDE topic, delete it.
#include "PLCListPage.h"

#include "CntrlTree.h"
#include "FileIO.h"
#include "KeyedTree.h"
#include "Messages.h"
#include "PLCData.h"
#include "PLCLoader.h"
#include "PLCTagHandler.h"
#include "TagExplorerPage.h"
#include "TextFile.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

void PLCListPage::Setup_PLCList()
{
    const int selected = tree()->selectedIndex();
    const QString tag = selected > 0 ? tree()->tag(selected) : QString();
    if (tag.isEmpty()) {
        SelectedPLC = {};
    } else {
        FileIO::Parse_Line(tag + QLatin1Char('\t'));
        const QStringList f = FileIO::ParsedFields;
        SelectedPLC = {f.value(0), f.value(1), f.value(2), f.value(3), QString()};
    }
    PLCDataIn(0)->setText(SelectedPLC.name);
    PLCDataIn(1)->setText(SelectedPLC.topic);
    PLCDataInLbl(0)->setText(SelectedPLC.type);
    PLCDataInLbl(1)->setText(SelectedPLC.listingFile);
    for (QPushButton* b : m_pb)
        b->setEnabled(false);
    const bool loaded = selected > 0 && selected == LoadedPLCIndex;
    PB(0)->setEnabled(!loaded);
    PB(1)->setEnabled(loaded);
    PB(2)->setEnabled(loaded);
    PLCDataIn(0)->setEnabled(loaded);
    PLCDataIn(1)->setEnabled(loaded);
}

void PLCListPage::PLCList_Command(int index)
{
    switch (index) {
    case 0:
        Load_PLC();
        break;
    case 1:
        Update_PLC();
        break;
    case 2:
        Delete_PLC();
        break;
    default:
        break;
    }
}

void PLCListPage::showLoadedState()
{
    for (QPushButton* b : m_pb)
        b->setEnabled(false);
    PB(1)->setEnabled(true);
    PB(2)->setEnabled(true);
    PLCDataIn(0)->setEnabled(true);
    PLCDataIn(1)->setEnabled(true);
}

void PLCListPage::Load_PLC()
{
    const int selected = tree()->selectedIndex();
    if (selected < 1 || selected == LoadedPLCIndex || SelectedPLC.type.isEmpty())
        return;
    // A listing name without "." (or one reaching outside the folder) names no structure file: say so and
    // leave the list as it was.
    const auto path = PLCLoader::StructureFileOf(SelectedPLC.listingFile);
    if (!SelectedPLC.listingFile.contains(QLatin1Char('.')) || !path) {
        Messages::show(QStringLiteral("Cannot load %1: its imported file name \"%2\" does not name a structure file.")
                           .arg(SelectedPLC.name, SelectedPLC.listingFile));
        return;
    }
    // A file that cannot be read is reported by Load_Tags and leaves an empty tag tree; no controller is
    // loaded then, so "&Update" cannot write the one loaded before into this file.
    if (!PLCTagHandler::Load_Tags(*path, *m_explorer->tree())) {
        forgetLoaded();
        Setup_PLCList();
        return;
    }
    LoadedPLCIndex = static_cast<qint16>(selected);
    StructureFilePath = *path;
    m_explorer->Controller_Loaded();
    showLoadedState();
}

void PLCListPage::forgetLoaded()
{
    CntrlTree::Clear_Tree(*m_explorer->tree());
    LoadedPLC = {};
    m_explorer->Controller_Deleted();
    LoadedPLCIndex = 0;
    StructureFilePath.clear();
}

void PLCListPage::Update_PLC()
{
    if (PLCDataIn(0)->text().isEmpty())
        PLCDataIn(0)->setText(LoadedPLC.name);
    if (PLCDataIn(1)->text().isEmpty())
        PLCDataIn(1)->setText(LoadedPLC.topic);
    const PLCData before = LoadedPLC;
    LoadedPLC.name = PLCDataIn(0)->text();
    LoadedPLC.topic = PLCDataIn(1)->text();
    // The loaded record keeps matching its file when the file was not rewritten.
    if (!PLCLoader::UpdateFile(StructureFilePath)) {
        LoadedPLC = before;
        return;
    }
    Rebuild_List();
    if (LoadedPLCIndex > 0) {
        tree()->select(LoadedPLCIndex);
        tree()->ensureVisible(LoadedPLCIndex);
    }
    Q_EMIT updated(StructureFilePath);
}

void PLCListPage::Delete_PLC()
{
    if (!Messages::ask(QStringLiteral("Delete Program: ") + LoadedPLC.name + QStringLiteral(", are you sure?")))
        return;
    // A file already gone is reported, and the list still comes to match the folder.
    if (const Status removed = TextFile::remove(StructureFilePath); !removed) {
        Messages::report(QStringLiteral("PLCList_Command"), removed.error());
        if (removed.error().number != ErrNo::FileNotFound)
            return;
    }
    forgetLoaded();
    PLCDataIn(0)->clear();
    PLCDataIn(1)->clear();
    for (QPushButton* b : m_pb)
        b->setEnabled(false);
    Rebuild_List();
}

void PLCListPage::Rebuild_List()
{
    PLCLoader::Load_PLC_List(*tree());
    tree()->expandAll();
    // Positions change when files come or go: find the loaded controller again by its file.
    LoadedPLCIndex = 0;
    for (int i = 1; i <= tree()->count() && !StructureFilePath.isEmpty(); ++i) {
        FileIO::Parse_Line(tree()->tag(i) + QLatin1Char('\t'));
        const auto path = PLCLoader::StructureFileOf(FileIO::ParsedFields.value(3));
        if (!tree()->tag(i).isEmpty() && path && *path == StructureFilePath) {
            LoadedPLCIndex = static_cast<qint16>(i);
            break;
        }
    }
}
