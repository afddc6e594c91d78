#include "ImportViewer.h"
#include "KeyedTree.h"
#include "Main.h"
#include "MainUI.h"
#include "Messages.h"
#include "TagLoader.h"
#include "TempAppFolder.h"

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

QSize screen() { return QGuiApplication::primaryScreen()->geometry().size(); }

} // namespace

TEST(Main, StartsAtEightyPercentWithThePageTree)
{
    TempAppFolder app;
    TempAppFolder::write(app.data("PageList.txt"), "Main\tS1\tPumps\tPump Status\t\r\n");
    MessageRecorder messages;
    Main window(app.path());
    window.show();
    EXPECT_TRUE(window.windowTitle().startsWith(QStringLiteral("Corvane")));
    EXPECT_EQ(window.width(), static_cast<int>(screen().width() * 0.8));
    EXPECT_EQ(window.height(), static_cast<int>(screen().height() * 0.8));
    auto* tree = window.findChild<KeyedTree*>("Tree(1)");
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->count(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("Main Page"));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST(Main, StartupReportsMissingWorkspace)
{
    {
        TempAppFolder app;
        MessageRecorder messages;
        Main window(app.path());
        EXPECT_EQ(messages.texts(), QStringList{"Could not find a project, loading empty workspace."});
        EXPECT_EQ(window.workWindow()->pageTree()->count(), 1);
    }
    {
        TempAppFolder app(TempAppFolder::Folders::None);
        MessageRecorder messages;
        Main window(app.path());
        EXPECT_EQ(messages.texts().size(), 2);
        EXPECT_EQ(window.workWindow()->pageTree()->count(), 1);
        // The program creates no folder of its own.
        EXPECT_FALSE(TempAppFolder::exists(app.path() + "Struct"));
    }
}

TEST(Main, NeverSmallerThanHalfTheScreen)
{
    TempAppFolder app;
    MessageRecorder messages;
    Main window(app.path());
    window.show();
    const QSize s = screen();
    window.resize(static_cast<int>(s.width() * 0.6), static_cast<int>(s.height() * 0.6));
    EXPECT_EQ(window.width(), static_cast<int>(s.width() * 0.6));

    window.resize(static_cast<int>(s.width() * 0.4), static_cast<int>(s.height() * 0.6));
    EXPECT_EQ(window.width(), static_cast<int>(s.width() * 0.8));
    EXPECT_EQ(window.height(), static_cast<int>(s.height() * 0.8));
}

namespace {

QMdiSubWindow* workingSub(const Main& window)
{
    return qobject_cast<QMdiSubWindow*>(window.workWindow()->parentWidget());
}

// Chooses a window by its item in "Window", as the user does.
void chooseWindow(const Main& window, const QString& title)
{
    auto* menu = window.findChild<QMenu*>("mnuWindow");
    Q_EMIT menu->aboutToShow();
    for (QAction* action : menu->actions())
        if (action->text() == title)
            return action->trigger();
    ADD_FAILURE() << "no Window item " << title.toStdString();
}

void expectWorkingWindowInFront(const Main& window)
{
    QCoreApplication::processEvents();
    QMdiSubWindow* sub = workingSub(window);
    EXPECT_TRUE(sub->isVisible());
    EXPECT_TRUE(window.workWindow()->isVisible());
    EXPECT_TRUE(sub->isMaximized());
    EXPECT_EQ(window.mdiArea()->activeSubWindow(), sub);
    EXPECT_EQ(sub->size(), window.mdiArea()->viewport()->size());
}

} // namespace

TEST(Main, TheWorkingWindowComesBackAfterItsCloseBoxAndRestoresToAUsableSize)
{
    TempAppFolder app;
    MessageRecorder messages;
    Main window(app.path());
    window.show();
    QMdiSubWindow* sub = workingSub(window);
    ASSERT_NE(sub, nullptr);

    sub->close();
    QCoreApplication::processEvents();
    EXPECT_FALSE(sub->isVisible()) << "closing hides it";
    chooseWindow(window, "Corvane");
    expectWorkingWindowInFront(window);

    // Closed, then another window's way back leads to it too.
    sub->close();
    QCoreApplication::processEvents();
    window.menuBar()->findChild<QAction*>("mnu(0)")->trigger();
    window.workWindow()->tagLoader()->findChild<QAction*>("BackTo")->trigger();
    expectWorkingWindowInFront(window);

    sub->showNormal();
    QCoreApplication::processEvents();
    EXPECT_FALSE(sub->isMaximized());
    const QSize area = window.mdiArea()->viewport()->size();
    EXPECT_GE(sub->width(), area.width() / 2);
    EXPECT_GE(sub->height(), area.height() / 2);
}

TEST(Main, BackFromEachWindowInTurnReturnsToAFullWorkingWindow)
{
    TempAppFolder app;
    TempAppFolder::write(app.data("PageList.txt"), "");
    MessageRecorder messages;
    Main window(app.path());
    window.show();
    window.menuBar()->findChild<QAction*>("mnu(0)")->trigger();
    TagLoader* loader = window.workWindow()->tagLoader();
    ASSERT_TRUE(loader->isVisible());
    loader->findChild<QAction*>("BackTo")->trigger();
    expectWorkingWindowInFront(window);
    EXPECT_FALSE(loader->isVisible());

    // The saved-data window closed before must not come back when the next window goes.
    window.menuBar()->findChild<QAction*>("mnu(1)")->trigger();
    ImportViewer* viewer = window.workWindow()->importViewer();
    ASSERT_TRUE(viewer->isVisible());
    viewer->findChild<QAction*>("BackTo")->trigger();
    expectWorkingWindowInFront(window);
    EXPECT_FALSE(loader->isVisible());
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(" | ").toStdString();
}
