#include "Logon.h"
#include "Messages.h"
#include "Password.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

TEST(Password, SixDigitsThatChangeDaily)
{
    const QDate day(2026, 12, 7);
    const QString today = ExpectedPassword(day);
    EXPECT_EQ(today.size(), 6);
    EXPECT_EQ(today, ExpectedPassword(QDate(2026, 12, 7)));
    QSet<QString> month;
    for (int i = 0; i < 31; ++i)
        month.insert(ExpectedPassword(day.addDays(i)));
    EXPECT_GE(month.size(), 30);
    for (const QChar c : today)
        EXPECT_TRUE(c.isDigit());
}

TEST(Logon, WrongPasswordIsRefusedAndCleared)
{
    MessageRecorder messages;
    LogonState state;
    QPointer<Logon> logon = new Logon(state);
    logon->show();
    EXPECT_EQ(logon->systemTime()->count(), 6);
    EXPECT_EQ(logon->systemTime()->itemText(5), QStringLiteral("30 Minutes"));

    QTest::keyClicks(logon->password(), "12345");
    EXPECT_EQ(logon->findChild<QLineEdit*>("MaskIn")->text(), QStringLiteral("*****"));
    // Yesterday's password is no good today.
    logon->today = [] { return QDate(2026, 12, 7); };
    logon->password()->setText(ExpectedPassword(QDate(2026, 12, 6)));
    QTest::keyClick(logon.data(), Qt::Key_Return);
    EXPECT_EQ(messages.texts(), QStringList{"Logon Failed"});
    EXPECT_TRUE(logon->password()->text().isEmpty());
    EXPECT_TRUE(logon->findChild<QLineEdit*>("MaskIn")->text().isEmpty());
    EXPECT_FALSE(state.LoggedOn);
    EXPECT_TRUE(logon->isVisible());

    QTest::keyClick(logon.data(), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(logon.isNull());
    EXPECT_FALSE(state.LoggedOn);
}

TEST(Logon, TheDaysPasswordLogsOnForTheChosenTime)
{
    MessageRecorder messages;
    LogonState state;
    QPointer<Logon> logon = new Logon(state);
    logon->show();
    logon->today = [] { return QDate(2030, 1, 2); };
    logon->systemTime()->setCurrentIndex(5);
    logon->password()->setText(ExpectedPassword(QDate(2030, 1, 2)));
    logon->CheckLogon();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_TRUE(state.LoggedOn);
    EXPECT_TRUE(state.JustLoggedIn);
    EXPECT_EQ(state.LogonMultiplier, 6);
    EXPECT_TRUE(logon.isNull());
}
