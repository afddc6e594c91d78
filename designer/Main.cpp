#include "Main.h"

#include "About.h"
#include "CntrlForm.h"
#include "MainUI.h"
#include "SharedVars.h"
#include "THMIUtil.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>

namespace {

QSize screenSize() { return QGuiApplication::primaryScreen()->geometry().size(); }

} // namespace

Main::Main(const QString& appFolder, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Main"));
    Form_Load(appFolder);
}

void Main::Form_Load(const QString& appFolder)
{
    setWindowTitle(QStringLiteral("Corvane"));
    SharedVars::Init_Constants();
    SharedVars::Init_Paths(appFolder);
    Size_To_Screen();

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MDIArea"));
    setCentralWidget(m_mdi);

    m_mainUI = new MainUI;
    QMdiSubWindow* sub = m_mdi->addSubWindow(m_mainUI);
    sub->setWindowTitle(m_mainUI->windowTitle());
    sub->showMaximized();
    buildMenus();
}

void Main::buildMenus()
{
    QMenu* actions = menuBar()->addMenu(QStringLiteral("&Actions"));
    QAction* manage = actions->addAction(QStringLiteral("&Manage Projects"));
    manage->setObjectName(QStringLiteral("mnuManageProjects"));
    connect(manage, &QAction::triggered, this, [this] { m_mainUI->utility()->Show_Function(THMIUtil::ProjectFrame); });
    actions->addSeparator();
    QAction* exitAction = actions->addAction(QStringLiteral("E&xit"));
    exitAction->setObjectName(QStringLiteral("mnuExit"));
    connect(exitAction, &QAction::triggered, qApp, &QApplication::quit);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* about = help->addAction(QStringLiteral("&About"));
    about->setObjectName(QStringLiteral("Hmnu"));
    connect(about, &QAction::triggered, this, [this] { (new About(About::Program::Designer, this))->show(); });
}

void Main::Size_To_Screen()
{
    const QSize screen = screenSize();
    resize(static_cast<int>(screen.width() * 0.8), static_cast<int>(screen.height() * 0.8));
    CntrlForm::Center_Form(this);
}

void Main::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (isMinimized())
        return;
    // Never smaller than half the screen either way.
    const QSize screen = screenSize();
    if (screen.width() * 0.5 > width() || screen.height() * 0.5 > height())
        Size_To_Screen();
}
