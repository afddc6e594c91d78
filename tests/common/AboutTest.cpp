#include "About.h"
#include "SharedVars.h"

#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

TEST(About, VersionHasThreeWholeNumbers)
{
    EXPECT_EQ(About::Version_Text("1.0.24"), QStringLiteral("Version:  1.0.24"));
    EXPECT_EQ(About::Version_Text("2.03.7"), QStringLiteral("Version:  2.3.7"));
}

TEST(About, BlocksMainWindowUntilItsTimerTicks)
{
    QWidget mainWindow;
    mainWindow.show();
    QPointer<About> about = new About(About::Program::Designer, &mainWindow);
    about->show();
    EXPECT_FALSE(mainWindow.isEnabled());
    EXPECT_EQ(about->timer1()->interval(), 30000);
    EXPECT_TRUE(about->timer1()->isActive());
    EXPECT_EQ(about->findChild<QLabel*>("Info(2)")->text(),
              QStringLiteral("Comments:  \n     Corvane an HMI Development System for:\n     Tessaly\n"
                             "     Compiled on 09/17/2007"));
    EXPECT_EQ(about->findChild<QLabel*>("Info(3)")->text(), QStringLiteral("Developed by:  Marrowby"));

    about->Timer1_Timer();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(about.isNull());
    EXPECT_TRUE(mainWindow.isEnabled());
}

TEST(About, ViewerClosesOnKeyOrClick)
{
    SharedVars::Init_Constants();
    QWidget mainWindow;
    QPointer<About> about = new About(About::Program::Viewer, &mainWindow);
    about->show();
    EXPECT_EQ(about->timer1()->interval(), 15000);
    EXPECT_EQ(about->findChild<QLabel*>("Info(2)")->text(), QStringLiteral("Comments:  \r\n     Tessaly"));
    QTest::keyClick(about.data(), Qt::Key_A);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(about.isNull());
    EXPECT_TRUE(mainWindow.isEnabled());

    about = new About(About::Program::Viewer, &mainWindow);
    about->show();
    QTest::mouseClick(about.data(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(about.isNull());
}
