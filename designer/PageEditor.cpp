#include "PageEditor.h"

#include "CntrlForm.h"
#include "CntrlGrid.h"
#include "KeyedTree.h"
#include "MarkGrid.h"
#include "Messages.h"
#include "PageDisplay.h"
#include "PageFile.h"
#include "PageStructure.h"
#include "SharedVars.h"
#include "THMIUtil.h"
#include "Twips.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

using namespace DDEBuilder;

namespace {

int px(int twips) { return Twips::toPixels(twips); }

const char* const Captions[] = {"&Add Page", "&Delete Page", "Delete Selected", "Select All", "Deselect All"};
constexpr int GridColumns = 7;
constexpr int FlagColumn = 4;
constexpr int DescriptionColumn = 3;

QString flagText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

} // namespace

PageEditor::PageEditor(KeyedTree* pageTree, PageDisplay* display, QWidget* window, QWidget* parent)
    : QWidget(parent), m_pageTree(pageTree), m_display(display), m_window(window),
      m_pageTitleLbl(new QLabel(QStringLiteral("Page Title: "), this)),
      m_topicDescriptionLbl(new QLabel(QStringLiteral("Topic Description: "), this)),
      m_pageTitle(new QLineEdit(this)), m_topicDescription(new QLineEdit(this)), m_dummy(new QWidget(this)),
      m_grid(new MarkGrid(m_dummy))
{
    setObjectName(QStringLiteral("ChildSubPage(1)"));
    m_pageTitleLbl->setObjectName(QStringLiteral("PageTitleLbl"));
    m_topicDescriptionLbl->setObjectName(QStringLiteral("TopicDescriptionLbl"));
    m_pageTitle->setObjectName(QStringLiteral("PageTitle"));
    m_topicDescription->setObjectName(QStringLiteral("TopicDescription"));
    m_dummy->setObjectName(QStringLiteral("Dummy(0)"));
    m_grid->setObjectName(QStringLiteral("DDEEditor"));
    for (int i = 0; i < 5; ++i) {
        auto* b = new QPushButton(QString::fromLatin1(Captions[i]), this);
        b->setObjectName(QStringLiteral("PB(%1)").arg(i + 8));
        b->setEnabled(i == 0);
        connect(b, &QPushButton::clicked, this, [this, i] { Editor_Action(i + 8); });
        m_pb[static_cast<size_t>(i)] = b;
    }
    m_pageTitle->installEventFilter(this);
    m_topicDescription->installEventFilter(this);
    connect(m_grid, &MarkGrid::cellReleased, this, &PageEditor::DDEEditor_MouseUp);
    connect(m_grid, &MarkGrid::currentRowChanged, this, &PageEditor::DDEEditor_RowChange);
    connect(m_grid, &MarkGrid::keyPressed, this, &PageEditor::DDEEditor_KeyDown);
    m_grid->move(0, 0);
    m_grid->hide();
}

void PageEditor::Layout_Pane()
{
    int left = 0;
    for (QPushButton* b : m_pb) {
        b->resize(b->sizeHint().width() + px(150), px(315));
        b->move(left, 0);
        left = b->geometry().right() + 1 + px(40);
    }
    m_pageTitleLbl->adjustSize();
    m_topicDescriptionLbl->adjustSize();
    m_pageTitleLbl->move(0, px(480));
    m_topicDescriptionLbl->move(0, px(840));
    const int boxLeft = m_topicDescriptionLbl->width();
    const int dummyTop = px(1200);
    const int width = this->width() - px(60);
    m_dummy->setGeometry(0, dummyTop, width, height() - (dummyTop + px(30)));
    m_grid->resize(m_dummy->size());
    m_pageTitle->setGeometry(boxLeft, px(440), std::max(0, m_dummy->geometry().right() - boxLeft), px(315));
    m_topicDescription->setGeometry(boxLeft, px(800), std::max(0, m_dummy->geometry().right() - boxLeft), px(315));
}

void PageEditor::Setup_Editor()
{
    const int index = m_pageTree->selectedIndex();
    if (index < 1)
        return;
    m_pageTree->ensureVisible(index);
    m_window->setWindowTitle(QStringLiteral("DDE Page: ") + m_pageTree->fullPath(index));
    PageTitleValue = m_pageTree->tag(index);
    CurrentPageFile = PageFilePath(m_pageTree->key(index));
    PageFile_Read();
    m_display->LoadDDE(PageTitleValue, Topics, TopicCount);
    Load_DDEEditor();
    SelectedPageIndex = index;
    const bool hasTopics = TopicCount != 0;
    if (hasTopics)
        CntrlGrid::Size_Columns(m_window, m_grid);
    PB(10)->setEnabled(false);
    PB(11)->setEnabled(hasTopics);
    PB(12)->setEnabled(hasTopics);
    LastRow = 0;
    const bool root = index == 1;
    PB(9)->setEnabled(!root);
    m_pageTitle->setEnabled(!root);
    m_display->resetScroll();
    m_pageTitle->setText(PageTitleValue);
    m_topicDescription->setText(QString());
    if (m_pageTree->isVisible())
        m_pageTree->setFocus();
    m_display->startPoll();
    Q_EMIT pageOpened(index);
}

void PageEditor::reopen()
{
    m_pageTree->select(SelectedPageIndex);
    Setup_Editor();
}

void PageEditor::IniGrid()
{
    m_grid->hide();
    GridModel& cells = m_grid->cells();
    cells.setShape(TopicCount == 0 ? 2 : TopicCount + 1, GridColumns);
    // Both text columns read left and sit on the same line as the centred flags beside them.
    for (const int c : {2, DescriptionColumn})
        cells.setAlignment(c, Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->setColumnWidthTwips(0, 275);
    const char* headers[] = {"", "", "SPECIFIER", "DESCRIPTION", "Read Only", "Protected", "Bool"};
    for (int c = 0; c < GridColumns; ++c)
        cells.setText(0, c, QString::fromLatin1(headers[c]));
}

void PageEditor::Load_DDEEditor()
{
    IniGrid();
    if (TopicCount < 1)
        return;
    GridModel& cells = m_grid->cells();
    std::vector<QStringList> rows;
    rows.reserve(static_cast<size_t>(TopicCount));
    for (int i = 0; i < TopicCount; ++i) {
        const TopicRecord& t = Topics[static_cast<size_t>(i)];
        rows.push_back({UnmarkedRow, QString::number(i + 1), t.Specifier, t.Description, flagText(t.ReadOnly),
                        flagText(t.Protected), flagText(t.Bool)});
    }
    cells.setRows(std::move(rows));
    cells.setStripes(2);
    CntrlGrid::Deselect_All_Rows(m_grid);
}

// After a change of the open page: offline first, then the sheet again from the table in memory.
void PageEditor::rebuildDisplay()
{
    m_display->ForceOffline();
    m_display->LoadDDE(PageTitleValue, Topics, TopicCount);
}

void PageEditor::saveTopics()
{
    m_display->ForceOffline();
    PageFile_Update();
    m_display->LoadDDE(PageTitleValue, Topics, TopicCount);
}

void PageEditor::updateDeleteSelected() { PB(10)->setEnabled(m_grid->anyMarked()); }

void PageEditor::DDEEditor_MouseUp(int row, int column, int xTwips)
{
    (void)row;
    const int topic = LastRow - 1;
    if (column >= FlagColumn && column <= FlagColumn + 2 && topic >= 0 && topic < TopicCount) {
        TopicRecord& t = Topics[static_cast<size_t>(topic)];
        bool& flag = column == FlagColumn ? t.ReadOnly : column == FlagColumn + 1 ? t.Protected : t.Bool;
        flag = !flag;
        m_grid->cells().setText(LastRow, column, flagText(flag));
        saveTopics();
    }
    CntrlGrid::Toggle_Row(m_grid, xTwips);
    updateDeleteSelected();
}

void PageEditor::DDEEditor_RowChange(int row)
{
    if (row == LastRow || row < 1)
        return;
    LastRow = row;
    DescriptionValue = row - 1 < TopicCount ? Topics[static_cast<size_t>(row - 1)].Description : QString();
    m_topicDescription->setText(DescriptionValue);
}

void PageEditor::DDEEditor_KeyDown(int key)
{
    if (m_grid->currentColumn() != DescriptionColumn)
        return;
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        m_topicDescription->selectAll();
    m_topicDescription->setFocus();
}

void PageEditor::TopicDescription_KeyDown(int key)
{
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (enter && !m_topicDescription->text().isEmpty()) {
        const int row = m_grid->currentRow();
        if (row >= 1 && row - 1 < TopicCount) {
            DescriptionValue = m_topicDescription->text();
            m_grid->cells().setText(row, DescriptionColumn, DescriptionValue);
            Topics[static_cast<size_t>(row - 1)].Description = DescriptionValue;
            saveTopics();
        }
        m_grid->setFocus();
    } else if (enter) {
        m_topicDescription->setText(DescriptionValue);
    } else if (key == Qt::Key_Escape) {
        m_topicDescription->setText(DescriptionValue);
        m_grid->setFocus();
    }
}

void PageEditor::PageTitle_KeyDown(int key)
{
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    // A pasted spreadsheet cell ends in a line break, which would split the page list line.
    const QString title = Page_Text(m_pageTitle->text());
    if (enter && !title.isEmpty() && SelectedPageIndex > 1) {
        PageTitleValue = title;
        m_pageTitle->setText(title);
        m_pageTree->setTag(SelectedPageIndex, PageTitleValue);
        PageStructure_Write(*m_pageTree);
        rebuildDisplay();
        m_grid->setFocus();
    } else if (enter || key == Qt::Key_Escape) {
        m_pageTitle->setText(PageTitleValue);
    }
}

void PageEditor::PageTitle_LostFocus() { m_pageTitle->setText(PageTitleValue); }

bool PageEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == m_pageTitle)
            PageTitle_KeyDown(key);
        else
            TopicDescription_KeyDown(key);
        // Enter and Escape are handled here; other keys edit the text as usual.
        return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
    }
    if (event->type() == QEvent::FocusOut && watched == m_pageTitle)
        PageTitle_LostFocus();
    return QWidget::eventFilter(watched, event);
}

void PageEditor::Editor_Action(int index)
{
    switch (index) {
    case 8:
        m_pageTree->setFocus();
        m_util->Show_Function(THMIUtil::AddPageFrame);
        break;
    case 9:
        if (m_pageTree->selectedIndex() <= 1) {
            Messages::show(QStringLiteral("This page may not be deleted or renamed."));
        } else if (Messages::ask(QStringLiteral("Are you sure you want to delete this page and any Sub Pages?"))) {
            const QString openKey = m_pageTree->key(SelectedPageIndex);
            PageStructure_Delete(*m_pageTree);
            // Indices moved, and the open page may be gone: reopen it, or the root, never a deleted file.
            m_pageTree->select(std::max(1, m_pageTree->indexOf(openKey)));
            Setup_Editor();
        }
        m_pageTree->setFocus();
        break;
    case 10:
        if (Messages::ask(QStringLiteral("Delete selected topics, are you sure?"))) {
            PageFile_Remove(*m_grid);
            reopen();
        }
        break;
    case 11:
        CntrlGrid::Select_All_Rows(m_grid);
        PB(10)->setEnabled(true);
        break;
    case 12:
        CntrlGrid::Deselect_All_Rows(m_grid);
        PB(10)->setEnabled(false);
        break;
    default:
        break;
    }
}
