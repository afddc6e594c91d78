#include "Main.h"

#include "CntrlForm.h"
#include "MainUI.h"
#include "Messages.h"
#include "SharedVars.h"
#include "WorkspaceSwap.h"

#include <QApplication>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>

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
    // A Load or Create New cut short is finished or undone before any page is read.
    if (const Status recovered = Project::Recover_Workspace(SharedVars::DDEDataFolder); !recovered)
        Messages::show(recovered.error().text());
    CntrlForm::Size_To_Screen(this);

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MDIArea"));
    setCentralWidget(m_mdi);

    m_mainUI = new MainUI;
    m_mainUI->Build_Menus(menuBar(), m_mdi);
    m_mainUI->showInArea(m_mainUI);
    connect(m_mainUI, &MainUI::succeeded, statusBar(),
            [bar = statusBar()](const QString& note) { bar->showMessage(note, MainUI::NoteMs); });
}

void Main::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    CntrlForm::Keep_Half_Screen(this);
}
