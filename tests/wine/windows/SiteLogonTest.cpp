// The Windows build's logon window in a copy of the operators' folder, beside Tessaly.exe and the site key
// that the engineer's DayPassword.exe made: the password DayPassword.exe printed logs on, another does not.
// run_wine_logon_test.sh passes that password in HMI_DAY_PASSWORD and the folder in HMI_APP_FOLDER.
#include "Logon.h"
#include "Messages.h"
#include "SharedVars.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPointer>

#include <gtest/gtest.h>

namespace {

// Types the password into a fresh logon window of the operators' folder, as an operator would;
// the caller's recorder keeps what the window says.
LogonState logOnWith(const QString& password)
{
    SharedVars::Init_Paths(qEnvironmentVariable("HMI_APP_FOLDER"));
    LogonState state;
    QPointer<Logon> logon = new Logon(state);
    logon->show();
    logon->password()->setText(password);
    logon->CheckLogon();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete logon.data();
    return state;
}

QString printedPassword() { return qEnvironmentVariable("HMI_DAY_PASSWORD").trimmed(); }

} // namespace

TEST(SiteLogon, ThePasswordOfTheEngineersKeyLogsOn)
{
    ASSERT_EQ(printedPassword().size(), 6) << "HMI_DAY_PASSWORD holds no password";
    MessageRecorder messages;
    EXPECT_TRUE(logOnWith(printedPassword()).LoggedOn) << messages.texts().join(' ').toStdString();
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(' ').toStdString();
}

TEST(SiteLogon, AnotherPasswordIsRefused)
{
    QString other = printedPassword();
    ASSERT_FALSE(other.isEmpty());
    other[0] = other[0] == QLatin1Char('9') ? QLatin1Char('0') : QChar(other[0].unicode() + 1);
    MessageRecorder messages;
    EXPECT_FALSE(logOnWith(other).LoggedOn);
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Logon Failed")});
}
