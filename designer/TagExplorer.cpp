// The tag explorer's actions: the grid of the chosen tag node, marks, the monitor, and sending marked tags
// to the page open in the editor.
#include "TagExplorerPage.h"

#include "CntrlDDE.h"
#include "CntrlGrid.h"
#include "KeyedTree.h"
#include "MarkGrid.h"
#include "Messages.h"
#include "Monitor.h"
#include "PLCData.h"
#include "PLCTagHandler.h"
#include "PageEditor.h"
#include "PageFile.h"
#include "Proc5000.h"
#include "TagExplorerLabel.h"
#include "TagGrid.h"
#include "TrendWindows.h"

#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

namespace {

// The program of the rows shown, or empty for controller scope. Judged by name, not by index 0: an export
// that lists a program's tags first puts that program at index 0.
QString programScope()
{
    const QString name = PLCTagHandler::LoadedScopes.value(PLCTagHandler::SelectedScope);
    return name == Proc5000::ControllerScope ? QString() : name;
}

} // namespace

bool TagExplorerPage::pageOpen() const { return m_editor && m_editor->SelectedPageIndex > 1; }

void TagExplorerPage::setEditor(PageEditor* editor)
{
    m_editor = editor;
    connect(editor, &PageEditor::pageOpened, this, &TagExplorerPage::Check_Send);
}

// Rows are often marked while monitoring, before a page is opened: the button follows both.
void TagExplorerPage::Check_Send() { PB(7)->setEnabled(m_tagList->anyMarked() && pageOpen()); }

void TagExplorerPage::showEvent(QShowEvent* event)
{
    TreePane::showEvent(event);
    Check_Send();
}

void TagExplorerPage::Setup_TagExplorer()
{
    m_tagList->hide();
    PB(7)->setEnabled(m_autoSelect->isChecked());
    m_monitor->ClearMonitorLinks();
    PLCTagHandler::Fill_Tag_Grid(*tree(), m_tagList);
    CntrlGrid::Size_Columns(window(), m_tagList);
    m_tagList->show();
    if (m_autoSelect->isChecked() && m_monitor->MonitorLinkMode == 1)
        CntrlGrid::Select_All_Rows(m_tagList);
    m_monitor->BuildMonitorLinks(LoadedPLC.topic, programScope());
    m_monitor->RefreshMonitorLinks(0);
}

void TagExplorerPage::TagExplorer_Command(int index)
{
    switch (index) {
    case 3:
        if (const Status started = CntrlDDE::Load_RSLinx(); !started)
            Messages::report(QStringLiteral("Load_RSLinx"), started.error());
        break;
    case 4:
        m_monitor->ToggleMonitor();
        break;
    case 5:
        CntrlGrid::Select_All_Rows(m_tagList);
        PB(7)->setEnabled(pageOpen());
        m_monitor->RefreshMonitorLinks(0);
        break;
    case 6:
        CntrlGrid::Deselect_All_Rows(m_tagList);
        PB(7)->setEnabled(false);
        m_monitor->RefreshMonitorLinks(0);
        break;
    case 7:
        Send_To_Page();
        break;
    default:
        return;
    }
    m_tagList->setFocus();
}

void TagExplorerPage::Send_To_Page()
{
    if (!pageOpen())
        return;
    int marked = 0;
    for (int r = 1; r < m_tagList->rowCount(); ++r)
        marked += m_tagList->cell(r, 0) == MarkedRow ? 1 : 0;
    const auto label = [this, type = LoadedPLC.type](int row) {
        const QString tag = m_tagList->cell(row, 2), detail = m_tagList->cell(row, 3);
        return DDEBuilder::RowLabel{TagExplorerLabel::Page_Description(type, tag, detail),
                                    TagExplorerLabel::Is_Bool(type, tag, detail)};
    };
    const bool added = DDEBuilder::PageFile_Add(*m_tagList, LoadedPLC.topic, programScope(), label);
    m_editor->reopen();
    if (added && marked > 0)
        Q_EMIT sentToPage(marked);
}

void TagExplorerPage::TagList_MouseUp(int xTwips)
{
    CntrlGrid::Toggle_Row(m_tagList, xTwips);
    Check_Send();
    m_monitor->RefreshMonitorLinks(m_tagList->currentRow());
}

void TagExplorerPage::TagList_Scroll()
{
    m_settle->stop();
    m_settle->start();
}

void TagExplorerPage::TagListSettleTime_Timer()
{
    m_settle->stop();
    m_monitor->RefreshMonitorLinks(0);
}

void TagExplorerPage::Send_Structure()
{
    if (tree()->selectedIndex() < 1)
        return;
    if (!pageOpen()) {
        Messages::show(QStringLiteral("Open a page in the editor first; the tags are added to that page."));
        return;
    }
    Setup_TagExplorer();
    CntrlGrid::Select_All_Rows(m_tagList);
    Send_To_Page();
}

void TagExplorerPage::Controller_Loaded()
{
    m_tagList->hide();
    for (int i = 3; i <= 6; ++i)
        PB(i)->setEnabled(true);
    PB(7)->setEnabled(false);
}

void TagExplorerPage::Controller_Deleted()
{
    m_monitor->ClearMonitorLinks();
    for (int i = 3; i <= 7; ++i)
        PB(i)->setEnabled(false);
    PLCTagHandler::Init_Tag_Grid(m_tagList);
    m_tagList->hide();
}

void TagExplorerPage::TagList_ContextMenu(const QPoint& pos)
{
    const int row = m_tagList->indexAt(pos).row() + 1;
    if (row < 1 || LoadedPLC.topic.isEmpty())
        return;
    const QString tag = m_tagList->cell(row, 2), detail = m_tagList->cell(row, 3);
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    TrendWindows::addActions(
        menu, {LoadedPLC.topic, m_monitor->itemOf(row), TagExplorerLabel::Page_Description(LoadedPLC.type, tag, detail)},
        this);
    menu->popup(m_tagList->viewport()->mapToGlobal(pos));
}
