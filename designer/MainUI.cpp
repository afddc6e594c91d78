#include "MainUI.h"

#include "About.h"
#include "CntrlDDE.h"
#include "CntrlForm.h"
#include "ImportViewer.h"
#include "KeyedTree.h"
#include "Messages.h"
#include "PLCListPage.h"
#include "PageDisplay.h"
#include "PageEditor.h"
#include "PageMode.h"
#include "PageStructure.h"
#include "THMIUtil.h"
#include "TabStrip.h"
#include "TagExplorerPage.h"
#include "TagLoader.h"
#include "WindowMenu.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

MainUI::MainUI(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MainUI"));
    setWindowTitle(QStringLiteral("Corvane"));
    buildTabs();
    buildPages();
    m_util = std::make_unique<THMIUtil>(*pageTree(), this);
    m_util->setSelectedPageIndex([this] { return SelectedPageIndex(); });
    m_pageMode->editor()->setUtility(m_util.get());
    connect(m_util.get(), &THMIUtil::deletePageRequested, this, &MainUI::Delete_Page);
    connect(m_util.get(), &THMIUtil::pageTreeReloaded, pageTree(), &QTreeView::expandAll);
    // The open page's index means nothing in a reloaded tree: open the root rather than edit some other page.
    connect(m_util.get(), &THMIUtil::pageTreeReloaded, this, [this] {
        pageTree()->select(1);
        m_pageMode->editor()->Setup_Editor();
    });
    connect(m_util.get(), &THMIUtil::sendStructureRequested, m_tagExplorer, &TagExplorerPage::Send_Structure);

    m_settleTime = new QTimer(this);
    m_settleTime->setObjectName(QStringLiteral("SettleTime"));
    m_settleTime->setSingleShot(true);
    connect(m_settleTime, &QTimer::timeout, this, &MainUI::SettleTime_Timer);
    connectTrees();
    connectNotes();
    Form_Load();
}

MainUI::~MainUI() = default;

KeyedTree* MainUI::pageTree() const { return m_pageMode->tree(); }

KeyedTree* MainUI::tree(int k) const
{
    switch (k) {
    case 1:
        return m_pageMode->tree();
    case 2:
        return m_plcList->tree();
    default:
        return m_tagExplorer->tree();
    }
}

void MainUI::buildTabs()
{
    m_programTab[0] = new TabStrip({QStringLiteral("Page Editor"), QStringLiteral("Tessaly")}, QTabBar::RoundedNorth,
                                   this);
    for (int i = 1; i <= 2; ++i) {
        m_page[static_cast<size_t>(i)] = new QWidget(this);
        m_page[static_cast<size_t>(i)]->setObjectName(QStringLiteral("Page(%1)").arg(i));
        m_page[static_cast<size_t>(i)]->setAutoFillBackground(true);
        m_page[static_cast<size_t>(i)]->setBackgroundRole(QPalette::Button);
    }
    m_programTab[1] = new TabStrip({QStringLiteral("&Editor"), QStringLiteral("&Viewer")}, QTabBar::RoundedSouth,
                                   m_page[1]);
    m_programTab[2] = new TabStrip({QStringLiteral("PLC List"), QStringLiteral("Tag Explorer")},
                                   QTabBar::RoundedSouth, m_page[2]);
    for (int i = 0; i < 3; ++i) {
        m_programTab[static_cast<size_t>(i)]->setObjectName(QStringLiteral("ProgramTab(%1)").arg(i));
        connect(m_programTab[static_cast<size_t>(i)], &TabStrip::tabClicked, this, [this, i] { ProgramTab_Click(i); });
    }
}

void MainUI::buildPages()
{
    m_pageMode = new PageMode(this, m_page[1]);
    m_plcList = new PLCListPage(m_page[2]);
    m_tagExplorer = new TagExplorerPage(m_page[2]);
    m_plcList->setTagExplorer(m_tagExplorer);
    m_tagExplorer->setEditor(m_pageMode->editor());
    connect(m_plcList, &PLCListPage::commandClicked, this, &MainUI::PB_Click);
    connect(m_tagExplorer, &TagExplorerPage::commandClicked, this, &MainUI::PB_Click);
}

void MainUI::connectTrees()
{
    for (int k = 1; k <= 3; ++k) {
        KeyedTree* t = tree(k);
        connect(t, &KeyedTree::nodeClicked, this, [this, k] {
            m_clickedTree = static_cast<qint16>(k);
            Tree_NodeClick(k);
        });
        t->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(t, &QWidget::customContextMenuRequested, this,
                [this, k, t](const QPoint& pos) { Tree_MouseUp(k, Qt::RightButton, t->viewport()->mapToGlobal(pos)); });
    }
}

// Success is otherwise silent: a short note in the parent window says what was done.
void MainUI::connectNotes()
{
    connect(m_tagExplorer, &TagExplorerPage::sentToPage, this, [this](int topics) {
        const QString page = pageTree()->text(SelectedPageIndex());
        Q_EMIT succeeded(topics == 1 ? QStringLiteral("1 topic sent to %1").arg(page)
                                     : QStringLiteral("%1 topics sent to %2").arg(topics).arg(page));
    });
    connect(m_plcList, &PLCListPage::updated, this, [this](const QString& file) {
        Q_EMIT succeeded(QStringLiteral("Updated ") + QFileInfo(file).fileName());
    });
    connect(m_util.get(), &THMIUtil::projectSaved, this,
            [this](const QString& project) { Q_EMIT succeeded(QStringLiteral("Saved %1.prj").arg(project)); });
}

void MainUI::Form_Load()
{
    CntrlForm::Set_Fonts(this);
    m_programTab[0]->move(0, 0);
    m_page[1]->show();
    m_page[2]->hide();
    m_pageMode->show();
    m_plcList->show();
    m_tagExplorer->hide();
    m_pageMode->Show_Pane(1);
    PageDisplay* display = m_pageMode->display();
    display->onLine()->move(display->onLine()->x(), 4);
    m_plcList->Rebuild_List();
    DDEBuilder::PageStructure_Read(*pageTree());
    pageTree()->expandAll();
}

int MainUI::SelectedPageIndex() const { return m_pageMode->editor()->SelectedPageIndex; }

void MainUI::ProgramTab_Click(int index)
{
    const int k = m_programTab[static_cast<size_t>(index)]->selectedTab();
    switch (index) {
    case 0:
        m_page[static_cast<size_t>(3 - k)]->hide();
        m_page[static_cast<size_t>(k)]->show();
        m_page[static_cast<size_t>(k)]->raise();
        break;
    case 1:
        m_pageMode->Show_Pane(k);
        break;
    default: {
        QWidget* shown = k == 1 ? static_cast<QWidget*>(m_plcList) : m_tagExplorer;
        QWidget* hidden = k == 1 ? static_cast<QWidget*>(m_tagExplorer) : m_plcList;
        hidden->hide();
        shown->show();
        shown->raise();
        break;
    }
    }
}

// Quick clicks through a tree act only on the last node; while online a page is relinked only after a rest.
void MainUI::Tree_NodeClick(int index)
{
    m_clickedTree = static_cast<qint16>(index);
    m_settleTime->setInterval(m_pageMode->display()->onLine()->isChecked() ? 500 : 25);
    m_settleTime->start();
}

void MainUI::SettleTime_Timer()
{
    m_settleTime->stop();
    switch (m_clickedTree) {
    case 1:
        m_pageMode->editor()->Setup_Editor();
        break;
    case 2:
        m_plcList->Setup_PLCList();
        break;
    default:
        m_tagExplorer->Setup_TagExplorer();
        break;
    }
}

void MainUI::Tree_MouseUp(int index, Qt::MouseButton button, const QPoint& globalPos)
{
    if (button != Qt::RightButton)
        return;
    if (index == 1) {
        const bool root = SelectedPageIndex() == 1;
        m_util->Tmnu(1)->setEnabled(!root);
        m_util->Tmnu(2)->setEnabled(!root);
        m_util->mTmnu()->popup(globalPos);
    } else if (index == 3) {
        m_util->PLCmnu(0)->setEnabled(true);
        m_util->mPLCmnu()->popup(globalPos);
    }
}

void MainUI::PB_Click(int index)
{
    if (index <= 2)
        m_plcList->PLCList_Command(index);
    else if (index <= 7)
        m_tagExplorer->TagExplorer_Command(index);
    else
        m_pageMode->editor()->Editor_Action(index);
}

void MainUI::Delete_Page() { m_pageMode->editor()->Editor_Action(9); }

void MainUI::Build_Menus(QMenuBar* bar, QMdiArea* mdi)
{
    m_mdi = mdi;
    QMenu* actions = bar->addMenu(QStringLiteral("&Actions"));
    auto add = [this](QMenu* menu, const QString& caption, const QString& name, auto slot) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add(actions, QStringLiteral("&Import Listing"), QStringLiteral("mnu(0)"), [this] { showInArea(tagLoader()); });
    add(actions, QStringLiteral("&View Listing"), QStringLiteral("mnu(1)"), [this] { showInArea(importViewer()); });
    add(actions, QStringLiteral("&Manage Projects"), QStringLiteral("mnu(2)"),
        [this] { m_util->Show_Function(THMIUtil::ProjectFrame); });
    add(actions, QStringLiteral("&Load RSLinx"), QStringLiteral("mnu(3)"), [] {
        if (const Status started = CntrlDDE::Load_RSLinx(); !started)
            Messages::report(QStringLiteral("Load_RSLinx"), started.error());
    });
    actions->addSeparator();
    add(actions, QStringLiteral("E&xit"), QStringLiteral("mnu(5)"), [] { QApplication::quit(); });

    QMenu* windows = bar->addMenu(QStringLiteral("Window"));
    windows->setObjectName(QStringLiteral("mnuWindow"));
    connect(windows, &QMenu::aboutToShow, this, [windows, mdi] { WindowMenu::Fill(windows, mdi); });

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    add(help, QStringLiteral("&About"), QStringLiteral("Hmnu"),
        [this] { (new About(About::Program::Designer, window()))->show(); });
}

ImportViewer* MainUI::importViewer()
{
    if (!m_importViewer) {
        m_importViewer = new ImportViewer;
        m_importViewer->setProgress(m_util.get());
    }
    return m_importViewer;
}

TagLoader* MainUI::tagLoader()
{
    if (!m_tagLoader) {
        m_tagLoader = new TagLoader(m_util.get());
        // A saved controller shows in the list at once.
        connect(m_tagLoader, &TagLoader::plcSaved, m_plcList, &PLCListPage::Rebuild_List);
        connect(m_tagLoader, &TagLoader::plcSaved, this, [this](const QString& file) {
            Q_EMIT succeeded(QStringLiteral("Saved ") + QFileInfo(file).fileName());
        });
        connect(m_tagLoader, &TagLoader::viewImportRequested, this, [this](const QString& path) {
            showInArea(importViewer());
            importViewer()->Load_Listing(path);
        });
    }
    return m_tagLoader;
}

// Each window exists once: shown again, not made anew, and closing it only hides it. Windows open maximised
// over the working window.
void MainUI::showInArea(QWidget* window)
{
    if (!m_mdi) {
        window->show();
        return;
    }
    QMdiSubWindow* sub = nullptr;
    for (QMdiSubWindow* s : m_mdi->subWindowList())
        if (s->widget() == window)
            sub = s;
    if (!sub) {
        sub = m_mdi->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        sub->installEventFilter(this);
        connect(sub, &QMdiSubWindow::windowStateChanged, this,
                [this, sub](Qt::WindowStates, Qt::WindowStates now) { Keep_Usable(sub, now); });
    }
    window->show();
    sub->showMaximized();
    m_mdi->setActiveSubWindow(sub);
}

bool MainUI::eventFilter(QObject* watched, QEvent* event)
{
    // Only a close: the area also hides a window for a moment while it restores it.
    auto* sub = qobject_cast<QMdiSubWindow*>(watched);
    if (event->type() != QEvent::Close || !sub)
        return QWidget::eventFilter(watched, event);
    // The area shows a hidden window again when it restores the maximised windows for the next one it
    // maximises, so a window leaves its maximised state before it is closed.
    sub->setWindowState(sub->windowState() & ~Qt::WindowMaximized);
    // Closing a maximised window leaves the one below at a normal size it was never given; the way back from
    // the last other window leads to the working window even when its own close box hid it.
    QMetaObject::invokeMethod(
        this, [this, orWorkingWindow = sub->widget() != this] { Maximize_Front(orWorkingWindow); },
        Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}

void MainUI::Maximize_Front(bool orWorkingWindow)
{
    if (!m_mdi->isVisible())
        return;
    const QList<QMdiSubWindow*> stack = m_mdi->subWindowList(QMdiArea::StackingOrder);
    for (auto it = stack.crbegin(); it != stack.crend(); ++it) {
        if ((*it)->isVisible()) {
            (*it)->showMaximized();
            m_mdi->setActiveSubWindow(*it);
            return;
        }
    }
    if (orWorkingWindow)
        showInArea(this);
}

// A window restored from maximised goes back to the size it had before; one that never had a size of its
// own would shrink to its title bar.
void MainUI::Keep_Usable(QMdiSubWindow* sub, Qt::WindowStates state)
{
    if (state & (Qt::WindowMaximized | Qt::WindowMinimized))
        return;
    const QSize area = m_mdi->viewport()->size();
    if (sub->width() >= area.width() / 2 && sub->height() >= area.height() / 2)
        return;
    sub->setGeometry(QRect(QPoint(0, 0), area * 3 / 4));
}

void MainUI::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void MainUI::Form_Activate()
{
    Outer_Layout();
    m_plcList->Rebuild_List();
}
