#include "About.h"

#include "CntrlForm.h"
#include "SharedVars.h"
#include "Twips.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <QVersionNumber>

namespace {

constexpr int ClientWidth = 6885;
constexpr int ClientHeight = 2355;

QString comments(About::Program program)
{
    const QString indent(5, QLatin1Char(' '));
    if (program == About::Program::Viewer)
        return QStringLiteral("Comments:  ") + SharedVars::NewLine + indent + QStringLiteral("Tessaly");
    return QStringLiteral("Comments:  \n") + indent + QStringLiteral("Corvane an HMI Development System for:\n") +
           indent + QStringLiteral("Tessaly\n") + indent + QStringLiteral("Compiled on 09/17/2007");
}

} // namespace

About::About(Program program, QWidget* mainWindow) : QDialog(nullptr), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("About"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Twips::toPixels(ClientWidth), Twips::toPixels(ClientHeight));
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < 4; ++i) {
        m_info[i] = new QLabel(QStringLiteral("iNFO"), this);
        m_info[i]->setObjectName(QStringLiteral("Info(%1)").arg(i));
        m_info[i]->setFont(QFont(QStringLiteral("Comic Sans MS"), i == 0 ? 14 : 9, i == 0 ? QFont::Bold : -1));
        m_info[i]->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
        layout->addWidget(m_info[i]);
    }
    layout->addStretch(1);
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(program == Program::Designer ? 30000 : 15000);
    connect(m_timer1, &QTimer::timeout, this, &About::Timer1_Timer);
    Form_Load(program);
}

About::~About()
{
    if (m_mainWindow) {
        m_mainWindow->setEnabled(true);
        m_mainWindow->activateWindow();
    }
}

QString About::Version_Text(const QString& version)
{
    const QVersionNumber v = QVersionNumber::fromString(version);
    return QStringLiteral("Version:  %1.%2.%3").arg(v.majorVersion()).arg(v.minorVersion()).arg(v.microVersion());
}

void About::Form_Load(Program program)
{
    const QString title = QCoreApplication::applicationName();
    setWindowTitle(title);
    if (m_mainWindow)
        m_mainWindow->setEnabled(false);
    CntrlForm::Center_Form(this);
    m_info[0]->setText(title);
    m_info[1]->setText(Version_Text(QStringLiteral(HMI_VERSION)));
    m_info[2]->setText(comments(program));
    m_info[3]->setText(QStringLiteral("Developed by:  Marrowby"));
    m_timer1->start();
}

void About::Timer1_Timer() { close(); }

void About::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    CntrlForm::Draw_Frame(painter, 1, 5, 10, 100, 175, 125, 0, 0, Twips::fromPixels(width()),
                          Twips::fromPixels(height()), size());
}

void About::mousePressEvent(QMouseEvent*) { close(); }

void About::keyPressEvent(QKeyEvent*) { close(); }
