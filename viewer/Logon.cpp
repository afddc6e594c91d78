#include "Logon.h"

#include "CntrlForm.h"
#include "Messages.h"
#include "Password.h"
#include "SharedVars.h"
#include "SiteKey.h"
#include "Twips.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

namespace {

int px(int twips) { return Twips::toPixels(twips); }

void place(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(px(left), px(top), px(width), px(height));
}

} // namespace

Logon::Logon(LogonState& state, QWidget* parent) : QDialog(parent), m_state(state)
{
    setObjectName(QStringLiteral("Logon"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(px(6285), px(1920));

    m_label[0] = new QLabel(QStringLiteral("Please enter your password."), this);
    m_label[1] = new QLabel(QStringLiteral("Please select the Logon duration"), this);
    m_maskIn = new QLineEdit(this);
    m_maskIn->setReadOnly(true);
    m_maskIn->setFocusPolicy(Qt::NoFocus);
    m_systemTime = new QComboBox(this);
    m_password = new QLineEdit(this);
    for (int i = 0; i < 2; ++i) {
        m_label[i]->setObjectName(QStringLiteral("Label1(%1)").arg(i));
        m_label[i]->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
        m_pb[i] = new QPushButton(this);
        m_pb[i]->setObjectName(QStringLiteral("PB(%1)").arg(i));
        m_pb[i]->setAutoDefault(false);
    }
    m_maskIn->setObjectName(QStringLiteral("MaskIn"));
    m_systemTime->setObjectName(QStringLiteral("SystemTime"));
    m_password->setObjectName(QStringLiteral("Password"));

    place(m_label[0], 60, 60, 1995 + 1200, 195);
    place(m_maskIn, 60, 360, 6135 - 60, 315);
    place(m_label[1], 60, 780, 2325 + 1200, 195);
    place(m_systemTime, 60, 1080, 1995, 315);
    place(m_pb[0], 60, 1500, 1275, 315);
    place(m_pb[1], 4920, 1500, 1275, 315);
    // Below the visible area: the typed text is never seen.
    place(m_password, 60, 3000, 3555, 315);

    connect(m_password, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_maskIn->setText(QString(text.size(), QLatin1Char('*'))); });
    connect(m_pb[0], &QPushButton::clicked, this, [this] { CheckLogon(); });
    connect(m_pb[1], &QPushButton::clicked, this, &QDialog::close);
    for (QPushButton* b : m_pb)
        connect(b, &QPushButton::released, this, &Logon::focusPassword);
    connect(m_systemTime, &QComboBox::activated, this, [this] {
        if (m_ready)
            focusPassword();
    });
    InitLogon();
}

void Logon::InitLogon()
{
    m_ready = false;
    setWindowTitle(QCoreApplication::applicationName() + QStringLiteral(": Logon   ") +
                   QDate::currentDate().toString(QStringLiteral("MM-dd-yy")));
    CntrlForm::Set_Fonts(this);
    CntrlForm::Center_Form(this);
    MakeTranslucent(this, 225);
    m_pb[0]->setText(QStringLiteral("Logon"));
    m_pb[1]->setText(QStringLiteral("Done"));
    m_systemTime->clear();
    for (int n = 1; n <= 6; ++n)
        m_systemTime->addItem(QStringLiteral("%1 Minutes").arg(n * 5));
    m_systemTime->setCurrentIndex(0);
    m_ready = true;
    focusPassword();
}

void Logon::MakeTranslucent(QWidget* window, int opacity) { window->setWindowOpacity(opacity / 255.0); }

void Logon::focusPassword() { m_password->setFocus(); }

void Logon::CheckLogon()
{
    if (const QString refused = refusal(); !refused.isEmpty()) {
        Messages::show(refused);
        m_password->clear();
        return;
    }
    m_state.LoggedOn = true;
    m_state.LogonMultiplier = m_systemTime->currentIndex() + 1;
    m_state.JustLoggedIn = true;
    close();
}

QString Logon::refusal()
{
    if (const int wait = m_state.Backoff.secondsToWait(); wait > 0)
        return QStringLiteral("Please wait %1 s before the next try.").arg(wait);
    const auto key = SiteKey::Read(SharedVars::AppFolder);
    if (!key)
        return QStringLiteral("Logon refused: %1. The site's engineer puts the site's key file there.")
            .arg(key.error().description);
    if (m_password->text() != ExpectedPassword(*key, today())) {
        m_state.Backoff.failed();
        return QStringLiteral("Logon Failed");
    }
    m_state.Backoff.succeeded();
    return {};
}

void Logon::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    CntrlForm::Draw_Frame(painter, 1, 1, 10, 50, 150, 125, 0, 0, Twips::fromPixels(width()),
                          Twips::fromPixels(height()), size());
}

void Logon::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        CheckLogon();
    else if (event->key() == Qt::Key_Escape)
        close();
    else
        QDialog::keyPressEvent(event);
}

void Logon::focusInEvent(QFocusEvent*) { focusPassword(); }
