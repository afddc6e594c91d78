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

TEST(Main, BackFromTheSavedDataWindowReturnsToAFullWorkingWindow)
{
    TempAppFolder app;
    MessageRecorder messages;
    Main window(app.path());
    window.show();
    window.findChild<QAction*>("mnu(0)")->trigger();
    TagLoader* loader = window.workWindow()->tagLoader();
    ASSERT_TRUE(loader->isVisible());

    loader->findChild<QAction*>("BackTo")->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(loader->isVisible());
    auto* sub = qobject_cast<QMdiSubWindow*>(window.workWindow()->parentWidget());
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->isMaximized()) << "not left at a normal size it was never given";
    EXPECT_EQ(window.mdiArea()->activeSubWindow(), sub);
}
