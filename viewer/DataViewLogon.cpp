// The logon, auto log-off and inactivity shutdown of the viewer window.
#include "DataView.h"

#include "Logon.h"
#include "KeyedTree.h"
#include "PageDisplay.h"

#include <QLabel>
#include <QTimer>

// One logon window: asking again brings the open one to the front.
void DataView::ShowLogon()
{
    if (m_logon) {
        m_logon->raise();
        m_logon->activateWindow();
        NoteActivity();
        return;
    }
    auto* logon = new Logon(Logon_State, this);
    m_logon = logon;
    logon->setWindowFlag(Qt::Window);
    // Without a window manager the main window may never be re-activated; the close brings the logon in.
    connect(logon, &QDialog::finished, this, [this] {
        activateWindow();
        Form_Activate();
    });
    logon->show();
    NoteActivity();
}

// The count starts here, once per logon: later activations must not restart the minute timer, or the
// strip would lag behind the time really left.
void DataView::Form_Activate()
{
    if (!Logon_State.JustLoggedIn)
        return;
    Logon_State.JustLoggedIn = false;
    m_logonMinutes = 0;
    m_logonTime->start();
    m_shutDown->stop();
    m_status[1]->setText(QStringLiteral("  %1 minutes till auto log off  ").arg(Logon_State.LogonMultiplier * 5));
    RefreshStatusBar();
    reopenPage();
}

// Reloads the shown page, if there is one, so the protection rule follows the logon state.
void DataView::reopenPage()
{
    if (const int index = m_progTree->indexOf(m_shownPage); index > 0)
        openPage(index);
}

void DataView::LogonTime_Timer()
{
    ++m_logonMinutes;
    const int remaining = Logon_State.LogonMultiplier * 5 - m_logonMinutes;
    m_status[1]->setText(QStringLiteral("  %1 minutes till auto log off  ").arg(remaining));
    if (remaining > 0)
        return;
    m_logonTime->stop();
    m_shutDown->start();
    ActivitySeen = true;
    Logon_State.LoggedOn = false;
    m_status[1]->setText(IdleCountdownText);
    RefreshStatusBar();
    reopenPage();
}

void DataView::ShutDown_Timer()
{
    ++m_shutdownMinutes;
    if (Logon_State.LoggedOn) {
        m_shutdownMinutes = 0;
        m_shutDown->stop();
    }
    if (ActivitySeen) {
        ActivitySeen = false;
        m_shutdownMinutes = 0;
    }
    m_status[1]->setText(QStringLiteral("  Time before program termination %1 minutes  ").arg(30 - m_shutdownMinutes));
    if (m_shutdownMinutes == 30)
        End_Program();
}
