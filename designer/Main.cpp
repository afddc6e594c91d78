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
    CntrlForm::Size_To_Screen(this);

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

void Main::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    CntrlForm::Keep_Half_Screen(this);
}
