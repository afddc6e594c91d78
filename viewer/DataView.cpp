#include "DataView.h"

#include "About.h"
#include "CntrlForm.h"
#include "CntrlTree.h"
#include "DrawSurface.h"
#include "FileList.h"
#include "KeyedTree.h"
#include "LinkRecovery.h"
#include "Messages.h"
#include "PageDisplay.h"
#include "SharedVars.h"
#include "SplitterGrip.h"
#include "Twips.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int TreeWidth = 3500;
constexpr int SplitterLimit = 3500;
constexpr int StatusHeight = 350;

int px(int twips) { return Twips::toPixels(twips); }

} // namespace

DataView::DataView(const QString& appFolder, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("DataView"));
    End_Program = [] { QApplication::exit(0); };
    buildControls();
    buildMenus();
    InitViewer(appFolder);
}

void DataView::buildControls()
{
    m_client = new QWidget(this);
    m_client->setAutoFillBackground(true);
    m_client->setBackgroundRole(QPalette::Button);
    setCentralWidget(m_client);

    m_projectList = new QComboBox(m_client);
    m_projectList->setObjectName(QStringLiteral("ProjectList"));
    connect(m_projectList, &QComboBox::activated, this,
            [this](int i) { ProjectList_Click(m_projectList->itemText(i)); });

    m_progTree = new KeyedTree(m_client);
    m_progTree->setObjectName(QStringLiteral("ProgTree"));
    connect(m_progTree, &KeyedTree::nodeClicked, this, &DataView::ProgTree_NodeClick);

    m_splitter = new SplitterGrip(m_client, SplitterLimit);
    m_splitter->onPlace = [this](int x) { PlaceSplitter(x); };
    m_splitter->onActivity = [this] { NoteActivity(); };

    PageDisplay::Options options;
    options.hasOnLineBox = false;
    options.pollInterval = 250;
    options.valueToolTip = QStringLiteral("Double Click to edit");
    m_display = new PageDisplay(options, m_client);
    m_display->setObjectName(QStringLiteral("ChildSubPage"));
    connect(m_display, &PageDisplay::userActivity, this, &DataView::NoteActivity);

    m_mainStatus = new QLabel(m_client);
    m_mainStatus->setObjectName(QStringLiteral("MainStatus"));
    m_mainStatus->setFrameShape(QFrame::Panel);
    m_mainStatus->setFrameShadow(QFrame::Sunken);
    for (int i = 0; i < 2; ++i) {
        m_status[i] = new QLabel(m_mainStatus);
        m_status[i]->setObjectName(QStringLiteral("Status(%1)").arg(i));
    }
    m_linkStatus = new QLabel(QStringLiteral("  Link lost  "), m_mainStatus);
    m_linkStatus->setObjectName(QStringLiteral("LinkStatus"));
    m_linkStatus->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0); font-weight: bold"));
    m_linkStatus->setVisible(LinkRecovery::isLinkLost());
    connect(&LinkRecovery::instance(), &LinkRecovery::linkStateChanged, m_linkStatus, &QLabel::setVisible);

    m_noProjectHint = new QLabel(m_client);
    m_noProjectHint->setObjectName(QStringLiteral("NoProjectHint"));
    m_noProjectHint->setWordWrap(true);
    m_noProjectHint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_noProjectHint->setFrameShape(QFrame::Box);
    m_noProjectHint->setMargin(px(180));
    m_noProjectHint->setAutoFillBackground(true);
    m_noProjectHint->setBackgroundRole(QPalette::Base);
    m_noProjectHint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_noProjectHint->hide();

    m_shutDown = new QTimer(this);
    m_shutDown->setObjectName(QStringLiteral("ShutDown"));
    m_shutDown->setInterval(60000);
    connect(m_shutDown, &QTimer::timeout, this, &DataView::ShutDown_Timer);
    m_logonTime = new QTimer(this);
    m_logonTime->setObjectName(QStringLiteral("LogonTime"));
    m_logonTime->setInterval(60000);
    connect(m_logonTime, &QTimer::timeout, this, &DataView::LogonTime_Timer);
}

void DataView::buildMenus()
{
    QMenu* action = menuBar()->addMenu(QStringLiteral("&Action"));
    action->setObjectName(QStringLiteral("Mmnu(0)"));
    QAction* logon = action->addAction(QStringLiteral("&Logon"));
    logon->setObjectName(QStringLiteral("mnu(0)"));
    connect(logon, &QAction::triggered, this, &DataView::ShowLogon);
    QAction* exitAction = action->addAction(QStringLiteral("E&xit"));
    exitAction->setObjectName(QStringLiteral("mnu(1)"));
    connect(exitAction, &QAction::triggered, this, [this] { End_Program(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Mmnu(1)"));
    QAction* about = help->addAction(QStringLiteral("Abou&t"));
    about->setObjectName(QStringLiteral("Hmnu(0)"));
    connect(about, &QAction::triggered, this, [this] {
        (new About(About::Program::Viewer, this))->show();
        NoteActivity();
    });
}

void DataView::InitViewer(const QString& appFolder)
{
    setWindowTitle(QCoreApplication::applicationName());
    CntrlForm::Set_Fonts(this);
    SharedVars::Init_Constants();
    // The viewer reads projects from its own folder.
    SharedVars::Init_Paths(appFolder);
    SharedVars::DDEDataFolder = SharedVars::AppFolder;
    m_display->setAlwaysOnline();

    m_progTree->setGeometry(px(10), m_projectList->sizeHint().height() + px(10), px(TreeWidth), 100);
    m_projectList->move(m_progTree->x(), 0);
    m_projectList->clear();
    m_mainStatus->setText(QString());
    IdleCountdownText = QStringLiteral("  Time before program termination %1 minutes  ").arg(30);
    m_status[1]->setText(IdleCountdownText);
    List_Projects();
    // Nothing is chosen until the operator picks a project.
    m_projectList->setCurrentIndex(-1);
    if (m_projectList->count() == 0)
        showNoProjectHint();
    else
        m_projectList->setPlaceholderText(QStringLiteral("Choose a project"));
    m_splitter->move(m_progTree->x() + px(TreeWidth), 0);
    CntrlForm::Draw_Grid(m_display->surface());

    CntrlForm::Size_To_Screen(this);
    m_shutDown->start();
}

void DataView::List_Projects()
{
    for (const QString& name : List_Files(SharedVars::DDEDataFolder, QStringLiteral("*.prj")))
        m_projectList->addItem(name.left(name.size() - 4));
}

// A new operator would otherwise face an empty list, tree and page with no clue what they wait for.
void DataView::showNoProjectHint()
{
    m_projectList->setPlaceholderText(QStringLiteral("No projects"));
    m_noProjectHint->setText(
        QStringLiteral("No project files (\"*.prj\") in this folder:\n%1\n\n"
                       "Save one in the designer's project manager (Corvane: \"Actions\", \"Manage Projects\", "
                       "\"Save\"), which writes it to Struct/DDEData/ beside the designer, and copy the \".prj\" "
                       "file into this folder. Then start the viewer again.")
            .arg(QDir::toNativeSeparators(SharedVars::DDEDataFolder)));
    m_noProjectHint->show();
    m_noProjectHint->raise();
}

void DataView::ProjectList_Click(const QString& text)
{
    setWindowTitle(QCoreApplication::applicationName() + QStringLiteral(" Loaded Project: ") + text);
    if (!text.isEmpty())
        Open_DDEProject(text + QStringLiteral(".prj"));
    m_display->surface()->clear();
    m_display->Hide_DDETopics();
    m_shownPage.clear();
    NoteActivity();
}

void DataView::Open_DDEProject(const QString& fileName)
{
    CntrlTree::Clear_Tree(*m_progTree);
    m_projectFile = SharedVars::DDEDataFolder + fileName;
    const Status read = ViewerProject::Read_Tree(m_projectFile, fileName.left(fileName.size() - 4), *m_progTree);
    m_progTree->expandAll();
    if (!read)
        Messages::report(QStringLiteral("Open_DDEProject"), read.error());
}

void DataView::ProgTree_NodeClick(int index)
{
    if (index < 1 || index > m_progTree->count())
        return;
    m_progTree->ensureVisible(index);
    openPage(index);
    NoteActivity();
}

// Shows the node's page linked, from its top left corner. The page is remembered by its key, not by the
// tree's selection, which may have moved or be gone by the time the page is reopened.
void DataView::openPage(int index)
{
    m_shownPage = m_progTree->key(index);
    Open_DDEPage(m_shownPage);
    m_display->LoadDDE(m_progTree->tag(index), m_page.Topics, m_page.TopicCount);
    m_display->resetScroll();
    m_display->startPoll();
}

void DataView::Open_DDEPage(const QString& key)
{
    const Status read = ViewerProject::Read_Page(m_projectFile, key, Logon_State.LoggedOn, m_page);
    if (!read)
        Messages::report(QStringLiteral("Open_DDEPage"), read.error());
}

void DataView::NoteActivity()
{
    if (Logon_State.LoggedOn)
        return;
    ActivitySeen = true;
    m_status[1]->setText(IdleCountdownText);
}

void DataView::RefreshStatusBar()
{
    m_status[0]->setText(Logon_State.LoggedOn ? QStringLiteral("  Status: Logged on  ")
                                               : QStringLiteral("  Status: Not logged on  "));
    for (QLabel* label : m_status)
        label->adjustSize();
    m_status[0]->move(px(50), px(50));
    m_status[1]->move(m_status[0]->geometry().right() + 1 + px(35), px(50));
    m_status[0]->raise();
    m_status[1]->raise();
    m_linkStatus->adjustSize();
    m_linkStatus->move(m_mainStatus->width() - m_linkStatus->width() - px(50), px(50));
}

void DataView::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (isMinimized())
        return;
    CntrlForm::Keep_Half_Screen(this);
    FitPanes();
}

void DataView::FitPanes()
{
    const int innerHeight = m_client->height();
    m_progTree->resize(m_progTree->width(), innerHeight - m_progTree->y());
    m_splitter->setGeometry(m_splitter->x(), 0, m_splitter->width(), innerHeight);
    m_splitter->show();
    m_splitter->raise();
    LayoutDisplayArea();
    NoteActivity();
}

void DataView::LayoutDisplayArea()
{
    m_projectList->resize(m_progTree->width(), m_projectList->sizeHint().height());
    const int left = m_progTree->x() + m_progTree->width() + px(80);
    const int statusHeight = px(StatusHeight);
    const int width = m_client->width() - left - px(25);
    const int height = m_client->height() - statusHeight;
    if (width <= 0 || height <= 0)
        return;
    m_display->setGeometry(left, 0, width, height);
    const int hintWidth = std::max(0, width - px(720));
    m_noProjectHint->setGeometry(left + px(360), px(360), hintWidth,
                                 std::max(0, std::min(height - px(720), m_noProjectHint->heightForWidth(hintWidth))));
    m_mainStatus->setGeometry(left, height, width, statusHeight);
    RefreshStatusBar();
}

void DataView::PlaceSplitter(int x)
{
    const int position = m_splitter->clamp(x);
    m_splitter->move(position, m_splitter->y());
    m_progTree->resize(position, m_progTree->height());
    LayoutDisplayArea();
}

void DataView::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}
