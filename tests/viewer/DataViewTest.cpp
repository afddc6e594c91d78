#include "DataView.h"
#include "KeyedTree.h"
#include "LinkBox.h"
#include "LinkClient.h"
#include "LinkTestServer.h"
#include "Messages.h"
#include "PageDisplay.h"
#include "Logon.h"
#include "Password.h"
#include "SiteKey.h"
#include "TempAppFolder.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QByteArray Project = "Main\tS1\tTank\tTank Farm\t\r\n"
                           "Begin Topics\r\n"
                           "#S1\r\n"
                           "RSLinx|Nowhere\tN7:0\tLevel\t1\t0\t0\t\r\n"
                           "RSLinx|Nowhere\tN7:2\tSetpoint\t0\t1\t0\t\r\n";

struct Viewer {
    TempAppFolder app;
    MessageRecorder messages;
    int ended = 0;
    std::unique_ptr<DataView> view;

    explicit Viewer(bool withProjects = true)
    {
        // Links go to a socket nobody serves, so no test touches a running server.
        qputenv("HMI_LINK_SOCKET", "hmi-test-nobody-" + QByteArray::number(QCoreApplication::applicationPid()));
        if (withProjects) {
            TempAppFolder::write(app.path() + "A.B.prj", Project);
            TempAppFolder::write(app.path() + "Plant.prj", Project);
        }
        view = std::make_unique<DataView>(app.path());
        view->End_Program = [this] { ++ended; };
        view->show();
    }
    QString status1() const { return view->status(1)->text(); }
    // What a good password leaves for the window to act on.
    void logOn(int multiplier)
    {
        view->Logon_State.LoggedOn = true;
        view->Logon_State.LogonMultiplier = multiplier;
        view->Logon_State.JustLoggedIn = true;
    }
    void openPage()
    {
        view->ProjectList_Click("Plant");
        view->progTree()->select(2);
        view->ProgTree_NodeClick(2);
    }
};

} // namespace

TEST(DataView, ListsProjectsAndOpensThemByName)
{
    Viewer v;
    ASSERT_EQ(v.view->projectList()->count(), 2);
    EXPECT_EQ(v.view->projectList()->itemText(0), QStringLiteral("A.B"));
    v.view->ProjectList_Click("A.B");
    EXPECT_TRUE(v.view->windowTitle().endsWith(" Loaded Project: A.B"));
    EXPECT_EQ(v.view->progTree()->count(), 2);
    EXPECT_EQ(v.view->progTree()->text(1), QStringLiteral("A.B"));

    v.view->ProjectList_Click("Gone");
    EXPECT_TRUE(v.view->windowTitle().endsWith(" Loaded Project: Gone"));
    EXPECT_TRUE(v.messages.texts().last().startsWith("Open_DDEProject: File not found ("));
    EXPECT_TRUE(v.messages.texts().last().endsWith("Gone.prj) 53"));
}

TEST(DataView, ProtectedTopicIsReadOnlyUntilLogonAndAgainAfterAutoLogOff)
{
    Viewer v;
    v.openPage();
    ASSERT_EQ(v.view->display()->elementCount(), 2);
    EXPECT_FALSE(v.view->display()->dataTopic(1)->isEnabled());

    v.logOn(1);
    v.view->Form_Activate();
    EXPECT_TRUE(v.view->display()->dataTopic(1)->isEnabled());
    EXPECT_FALSE(v.view->display()->dataTopic(0)->isEnabled());
    EXPECT_EQ(v.view->status(0)->text(), QStringLiteral("  Status: Logged on  "));
    EXPECT_EQ(v.status1(), QStringLiteral("  5 minutes till auto log off  "));
    EXPECT_TRUE(v.view->logonTimer()->isActive());
    EXPECT_FALSE(v.view->shutDownTimer()->isActive());

    for (int i = 0; i < 4; ++i)
        v.view->LogonTime_Timer();
    EXPECT_EQ(v.status1(), QStringLiteral("  1 minutes till auto log off  "));
    EXPECT_TRUE(v.view->Logon_State.LoggedOn);
    v.view->LogonTime_Timer();
    EXPECT_FALSE(v.view->Logon_State.LoggedOn);
    EXPECT_FALSE(v.view->display()->dataTopic(1)->isEnabled());
    EXPECT_EQ(v.view->status(0)->text(), QStringLiteral("  Status: Not logged on  "));
    EXPECT_TRUE(v.view->shutDownTimer()->isActive());
}

TEST(DataView, TheLogonCountdownIsRightToTheMinute)
{
    Viewer v;
    TempAppFolder::write(SiteKey::PathIn(v.app.path()), "00112233445566778899aabbccddeeff\r\n");
    v.view->ShowLogon();
    auto* logon = v.view->findChild<Logon*>("Logon");
    ASSERT_NE(logon, nullptr);
    logon->password()->setText(ExpectedPassword(*SiteKey::Read(v.app.path()), QDate::currentDate()));
    logon->CheckLogon();
    EXPECT_EQ(v.status1(), QStringLiteral("  5 minutes till auto log off  "));

    // Coming back to the window, as the operator does, must not restart the count.
    for (int minute = 4; minute > 0; --minute) {
        v.view->Form_Activate();
        v.view->LogonTime_Timer();
        EXPECT_EQ(v.status1(), QStringLiteral("  %1 minutes till auto log off  ").arg(minute));
    }
    v.view->LogonTime_Timer();
    EXPECT_FALSE(v.view->Logon_State.LoggedOn) << "five minutes after the logon";
}

TEST(DataView, LogonAndLogOffAfterAProjectSwitchReopenNothing)
{
    Viewer v;
    v.openPage();
    v.view->ProjectList_Click("A.B");
    v.logOn(1);
    EXPECT_NO_THROW(v.view->Form_Activate());
    for (int i = 0; i < 5; ++i)
        EXPECT_NO_THROW(v.view->LogonTime_Timer());
    EXPECT_FALSE(v.view->Logon_State.LoggedOn);
    EXPECT_FALSE(v.view->display()->dataTopic(0)->isVisible()) << "no page was open";

    // The page shown is reopened, wherever the tree's selection went meanwhile.
    v.openPage();
    v.view->progTree()->select(1);
    v.logOn(1);
    v.view->Form_Activate();
    EXPECT_EQ(v.view->display()->topicCount(), 2);
    EXPECT_TRUE(v.view->display()->dataTopic(1)->isEnabled());
}

TEST(DataView, AFolderWithoutProjectsSaysWhatToDo)
{
    Viewer v(false);
    EXPECT_EQ(v.view->projectList()->count(), 0);
    ASSERT_TRUE(v.view->noProjectHint()->isVisible());
    const QString hint = v.view->noProjectHint()->text();
    EXPECT_TRUE(hint.startsWith("No project files")) << hint.toStdString();
    EXPECT_TRUE(hint.contains(QDir::toNativeSeparators(v.app.path())));
    EXPECT_TRUE(hint.contains("project manager"));
    EXPECT_TRUE(hint.contains("\".prj\""));

    Viewer withProjects;
    EXPECT_FALSE(withProjects.view->noProjectHint()->isVisible());
    EXPECT_EQ(withProjects.view->projectList()->currentIndex(), -1);
    EXPECT_EQ(withProjects.view->projectList()->placeholderText(), QStringLiteral("Choose a project"));
}

TEST(DataView, OneLogonWindowThatASecondRequestBringsToTheFront)
{
    Viewer v;
    TempAppFolder::write(SiteKey::PathIn(v.app.path()), "00112233445566778899aabbccddeeff\r\n");
    QAction* logon = v.view->findChild<QAction*>("mnu(0)");
    logon->trigger();
    logon->trigger();
    const QList<Logon*> windows = v.view->findChildren<Logon*>("Logon");
    ASSERT_EQ(windows.size(), 1);
    EXPECT_TRUE(windows[0]->isVisible());

    windows[0]->password()->setText(ExpectedPassword(*SiteKey::Read(v.app.path()), QDate::currentDate()));
    windows[0]->CheckLogon();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(v.view->findChildren<Logon*>("Logon").isEmpty());
    logon->trigger();
    EXPECT_EQ(v.view->findChildren<Logon*>("Logon").size(), 1) << "a new one once the first has gone";
}

TEST(DataView, ChoosingAProjectWhileAPageStillLinksSaysNothing)
{
    LinkTestServer server({"--no-rules", "--delay-ms", "300"});
    Viewer v;
    qputenv("HMI_LINK_SOCKET", server.socket().toLocal8Bit());
    ASSERT_TRUE(server.start());
    QTimer::singleShot(100, v.view.get(), [&v] { v.view->ProjectList_Click("A.B"); });
    v.openPage();
    EXPECT_TRUE(v.view->windowTitle().endsWith("A.B"));
    EXPECT_TRUE(v.messages.texts().isEmpty()) << v.messages.texts().join(" | ").toStdString();
    EXPECT_FALSE(v.view->display()->dataTopic(0)->isVisible());
    if (LinkClient* client = LinkClient::existing())
        client->disconnectFromServer();
}

TEST(DataView, EndsAfterThirtyIdleMinutes)
{
    Viewer v;
    // The first layout counted as activity: the first tick shows 30 again.
    v.view->ShutDown_Timer();
    EXPECT_EQ(v.status1(), QStringLiteral("  Time before program termination 30 minutes  "));
    for (int i = 0; i < 29; ++i)
        v.view->ShutDown_Timer();
    EXPECT_EQ(v.status1(), QStringLiteral("  Time before program termination 1 minutes  "));
    EXPECT_EQ(v.ended, 0);

    // Any activity brings the full time back.
    v.view->NoteActivity();
    EXPECT_EQ(v.status1(), QStringLiteral("  Time before program termination 30 minutes  "));
    for (int i = 0; i < 30; ++i)
        v.view->ShutDown_Timer();
    EXPECT_EQ(v.ended, 0);
    v.view->ShutDown_Timer();
    EXPECT_EQ(v.ended, 1);
}

TEST(DataView, LogonSuspendsShutdownAndLongerLogonCanBeShortened)
{
    Viewer v;
    v.logOn(6);
    v.view->Form_Activate();
    EXPECT_EQ(v.status1(), QStringLiteral("  30 minutes till auto log off  "));
    v.view->LogonTime_Timer();
    v.view->LogonTime_Timer();
    EXPECT_EQ(v.status1(), QStringLiteral("  28 minutes till auto log off  "));

    v.logOn(1);
    v.view->Form_Activate();
    v.view->LogonTime_Timer();
    EXPECT_EQ(v.status1(), QStringLiteral("  4 minutes till auto log off  "));
    EXPECT_EQ(v.ended, 0);
}

TEST(DataView, SnapsBackAndSplitterStopsAtItsLimit)
{
    Viewer v;
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    v.view->resize(screen.width() * 4 / 10, screen.height() * 7 / 10);
    EXPECT_EQ(v.view->width(), static_cast<int>(screen.width() * 0.8));

    v.view->PlaceSplitter(10);
    EXPECT_EQ(v.view->progTree()->width(), 3500 / 15);
    v.view->PlaceSplitter(100000);
    EXPECT_EQ(v.view->progTree()->width(), v.view->centralWidget()->width() - 3500 / 15);
}
