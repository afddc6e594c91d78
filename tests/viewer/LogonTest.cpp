#include "Logon.h"
#include "Messages.h"
#include "Password.h"
#include "SiteKey.h"
#include "TempAppFolder.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QByteArray Key = QByteArray::fromHex("00112233445566778899aabbccddeeff");

void writeKey(const TempAppFolder& app) { TempAppFolder::write(SiteKey::PathIn(app.path()), Key.toHex() + "\r\n"); }

// A logon window on a site with a key, on a fixed day and a clock the test moves.
struct LogonTest : ::testing::Test {
    TempAppFolder app;
    MessageRecorder messages;
    LogonState state;
    qint64 now = 0;
    QPointer<Logon> logon;

    void SetUp() override
    {
        writeKey(app);
        state.Backoff.clock = [this] { return now; };
        open();
    }
    void open()
    {
        logon = new Logon(state);
        logon->today = [] { return QDate(2030, 1, 2); };
        logon->show();
    }
    void tryPassword(const QString& text)
    {
        logon->password()->setText(text);
        logon->CheckLogon();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QString todays() const { return ExpectedPassword(Key, QDate(2030, 1, 2)); }
};

} // namespace

TEST(Password, DigitsAreTheTruncatedHmacOfKeyAndDate)
{
    // The example of RFC 4226, section 5.4: the last byte's low bits pick offset 10, 50ef7f19 gives 872921.
    EXPECT_EQ(TruncateToDigits(QByteArray::fromHex("1f8698690e02ca16618550ef7f19da8e945b555a")), "872921");
    // The top bit of the picked bytes is dropped: 7fffffff is 2147483647.
    EXPECT_EQ(TruncateToDigits(QByteArray::fromHex("ffffffff") + QByteArray(16, '\0')), "483647");
    // HMAC-SHA256 of "2026-12-07" under Key, computed outside the program:
    // 9f3b00bcd97778ef9571f36b5b9a562afd55c09274dfec0c3ef72d2e5e7695bb. The last byte's low bits pick
    // offset 11, whose four bytes 6b5b9a56 are 1801165398.
    EXPECT_EQ(ExpectedPassword(Key, QDate(2026, 12, 7)), "165398");
}

TEST(SiteKey, NewKeyIsOwnerOnlyNeverReplacedAndDamageIsSeen)
{
    TempAppFolder app;
    const auto made = SiteKey::Create(app.path());
    ASSERT_TRUE(made.ok()) << made.error().description.toStdString();
    const QFileDevice::Permissions perms = QFile::permissions(*made);
    EXPECT_TRUE(perms & QFileDevice::ReadOwner);
    // The "User" bits say what this process may do, which for root is everything.
    const auto others = QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                        QFileDevice::WriteGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                        QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_FALSE(perms & others) << "readable by its owner only";
    const auto key = SiteKey::Read(app.path());
    ASSERT_TRUE(key.ok());
    EXPECT_EQ(key->size(), 32);

    EXPECT_EQ(SiteKey::Create(app.path()).error().number, ErrNo::FileAlreadyExists);
    EXPECT_EQ(*SiteKey::Read(app.path()), *key);

    // Hex digits read past junk would pass a length check alone.
    TempAppFolder damaged;
    TempAppFolder::write(SiteKey::PathIn(damaged.path()), Key.toHex() + " zz\r\n");
    EXPECT_TRUE(SiteKey::Read(damaged.path()).error().description.contains("is damaged"));
}

TEST(DayPassword, MakesTheKeyAndTellsThePasswordTheViewerTakes)
{
    TempAppFolder app;
    const QString program = qEnvironmentVariable("HMI_BIN_DIR") + "/DayPassword";
    ASSERT_EQ(QProcess::execute(program, {"--new-site-key", "--folder", app.path()}), 0);
    QProcess tool;
    tool.start(program, {"--folder", app.path(), "2030-01-02"});
    ASSERT_TRUE(tool.waitForFinished());
    EXPECT_EQ(tool.readAllStandardOutput().trimmed(),
              "2030-01-02 " + ExpectedPassword(*SiteKey::Read(app.path()), QDate(2030, 1, 2)).toLatin1());
}

TEST_F(LogonTest, WrongPasswordIsRefusedAndCleared)
{
    EXPECT_EQ(logon->systemTime()->count(), 6);
    EXPECT_EQ(logon->systemTime()->itemText(5), QStringLiteral("30 Minutes"));
    QTest::keyClicks(logon->password(), "12345");
    EXPECT_EQ(logon->findChild<QLineEdit*>("MaskIn")->text(), QStringLiteral("*****"));

    // Yesterday's password is no good today.
    logon->password()->setText(ExpectedPassword(Key, QDate(2030, 1, 1)));
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

TEST_F(LogonTest, TheDaysPasswordLogsOnForTheChosenTime)
{
    logon->systemTime()->setCurrentIndex(5);
    tryPassword(todays());
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_TRUE(state.LoggedOn);
    EXPECT_TRUE(state.JustLoggedIn);
    EXPECT_EQ(state.LogonMultiplier, 6);
    EXPECT_TRUE(logon.isNull());
}

TEST_F(LogonTest, WithoutTheSiteKeyEveryLogonIsRefused)
{
    QFile::remove(SiteKey::PathIn(app.path()));
    tryPassword(todays());
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith("Logon refused: the site key is missing")) << messages.texts()[0].toStdString();
    EXPECT_TRUE(messages.texts()[0].contains(app.path()));
    EXPECT_FALSE(state.LoggedOn);
}

TEST_F(LogonTest, EachWrongTryDoublesThePauseUpToThirtySeconds)
{
    for (const qint64 pause : {1000, 2000, 4000, 8000, 16000, 30000, 30000}) {
        tryPassword("000000");
        EXPECT_EQ(messages.texts().last(), QStringLiteral("Logon Failed"));
        now += pause - 1;
        tryPassword(todays());
        EXPECT_EQ(messages.texts().last(), QStringLiteral("Please wait 1 s before the next try."));
        EXPECT_FALSE(state.LoggedOn);
        now += 1;
    }
    // Closing the window does not cut the pause short.
    tryPassword("000000");
    logon->close();
    open();
    tryPassword(todays());
    EXPECT_EQ(messages.texts().last(), QStringLiteral("Please wait 30 s before the next try."));
    now += 30000;
    tryPassword(todays());
    EXPECT_TRUE(state.LoggedOn);
}
