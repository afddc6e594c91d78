#include "PageDisplay.h"

#include "CntrlForm.h"
#include "DrawSurface.h"
#include "LinkBox.h"
#include "LinkProtocol.h"
#include "LinkRecovery.h"
#include "TrendWindows.h"
#include "Twips.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>

#include <cmath>

namespace {

const char* const IndexProperty = "elementIndex";

int px(double twips) { return Twips::toPixels(twips); }

QString elementName(const char* array, int index) { return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(index); }

int elementIndex(const QObject* o) { return o->property(IndexProperty).toInt(); }

} // namespace

PageDisplay::PageDisplay(const Options& options, QWidget* parent) : QWidget(parent), m_options(options)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);

    m_viewer = new QWidget(this);
    m_viewer->setObjectName(QStringLiteral("DViewer"));
    m_viewer->setAutoFillBackground(true);
    m_viewer->setBackgroundRole(QPalette::Button);
    m_viewer->move(0, px(10));

    m_display = new DrawSurface(m_viewer);
    m_display->setObjectName(QStringLiteral("DDisplay"));
    QPalette surfacePalette = m_display->palette();
    surfacePalette.setColor(QPalette::Window, Qt::white);
    m_display->setPalette(surfacePalette);
    m_display->setGeometry(0, 0, px(14400), px(28800));
    m_display->ForeColor = QColor(0, 0, 128);

    m_scrollV = new QScrollBar(Qt::Vertical, this);
    m_scrollV->setObjectName(QStringLiteral("Scroll_V"));
    m_scrollH = new QScrollBar(Qt::Horizontal, this);
    m_scrollH->setObjectName(QStringLiteral("Scroll_H"));
    // A scroll bar passes the focus on to the surface: it never keeps it.
    m_scrollV->setFocusPolicy(Qt::NoFocus);
    m_scrollH->setFocusPolicy(Qt::NoFocus);
    connect(m_scrollV, &QScrollBar::valueChanged, this, &PageDisplay::Scroll_V_Change);
    connect(m_scrollH, &QScrollBar::valueChanged, this, &PageDisplay::Scroll_H_Change);

    m_pollTopics = new QTimer(this);
    m_pollTopics->setObjectName(QStringLiteral("PollTopics"));
    m_pollTopics->setSingleShot(true);
    m_pollTopics->setInterval(m_options.pollInterval);
    connect(m_pollTopics, &QTimer::timeout, this, &PageDisplay::PollTopics_Timer);

    if (m_options.hasOnLineBox) {
        m_onLine = new QCheckBox(QStringLiteral("Go Online"), this);
        m_onLine->setObjectName(QStringLiteral("OnLine"));
        m_onLine->setAutoFillBackground(true);
        m_onLine->resize(px(1500), px(255));
        setOnLineLook(false);
        m_onLine->setText(QStringLiteral("Go Online"));
        connect(m_onLine, &QCheckBox::clicked, this, &PageDisplay::OnLine_Click);
    }

    connect(&LinkRecovery::instance(), &LinkRecovery::linkStateChanged, this, &PageDisplay::linkStateChanged);

    createTemplates();
    CntrlForm::Set_Fonts(this);
    CntrlForm::Draw_Grid(m_display);
}

void PageDisplay::createTemplates()
{
    addElements(0);
    m_dataTopic[0]->hide();
    m_dataTopicOut[0]->hide();
    m_bitStat[0]->hide();
}

// Element i of each array, a copy of its template (element 0 is the template itself).
void PageDisplay::addElements(int index)
{
    auto* value = new LinkBox(index, m_display);
    value->setObjectName(elementName("DataTopic", index));
    value->resize(px(1000), px(315));
    value->setProperty(IndexProperty, index);
    value->setToolTip(m_options.valueToolTip);
    value->installEventFilter(this);
    connect(value, &LinkBox::Change, this, &PageDisplay::DataTopic_Change);

    auto* edit = new QLineEdit(m_display);
    edit->setObjectName(elementName("DataTopicOut", index));
    edit->resize(px(1000), px(330));
    QPalette editPalette = edit->palette();
    editPalette.setColor(QPalette::Base, QColor(255, 255, 192));
    edit->setPalette(editPalette);
    edit->setProperty(IndexProperty, index);
    edit->installEventFilter(this);

    auto* bit = new QCheckBox(m_display);
    bit->setObjectName(elementName("BitStat", index));
    bit->resize(px(200), px(210));
    bit->setProperty(IndexProperty, index);
    connect(bit, &QCheckBox::clicked, this, [this, index] { BitStat_MouseUp(index); });

    if (index > 0) {
        value->LinkTimeout = m_dataTopic[0]->LinkTimeout;
        value->setFont(m_dataTopic[0]->font());
        edit->setFont(m_dataTopicOut[0]->font());
        bit->setFont(m_bitStat[0]->font());
        value->hide();
        edit->hide();
        bit->hide();
    }
    m_dataTopic.push_back(value);
    m_dataTopicOut.push_back(edit);
    m_bitStat.push_back(bit);
}

const TopicRecord& PageDisplay::topic(int index) const
{
    static const TopicRecord none;
    return index >= 0 && index < static_cast<int>(m_topics.size()) ? m_topics[static_cast<size_t>(index)] : none;
}

void PageDisplay::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutPane();
}

void PageDisplay::LayoutPane()
{
    const int viewportWidth = width() - m_scrollV->sizeHint().width();
    const int viewportHeight = height() - m_scrollH->sizeHint().height();
    if (viewportWidth <= 0 || viewportHeight <= 0)
        return;
    m_viewer->resize(viewportWidth, viewportHeight - m_viewer->y());
    if (m_onLine) {
        m_onLine->move(viewportWidth - (m_onLine->width() + px(75)), px(60));
        m_onLine->raise();
    }
    m_scrollV->setGeometry(viewportWidth, m_viewer->y(), m_scrollV->sizeHint().width(), m_viewer->height());
    m_scrollH->setGeometry(m_viewer->x(), viewportHeight, viewportWidth, m_scrollH->sizeHint().height());

    const int rangeV = Twips::fromPixels(m_display->height() - m_viewer->height()) + 200;
    const int rangeH = Twips::fromPixels(m_display->width() - m_viewer->width()) + 200;
    setScrollRange(m_scrollV, rangeV, 40, 10);
    setScrollRange(m_scrollH, rangeH, 10, 5);
}

// Ranges are in twips; a viewport larger than the surface leaves the bar as it was.
void PageDisplay::setScrollRange(QScrollBar* bar, int range, int smallDivisor, int largeDivisor)
{
    if (range < 0)
        return;
    bar->setMaximum(range);
    bar->setSingleStep(static_cast<int>(std::lround(range / static_cast<double>(smallDivisor))));
    bar->setPageStep(static_cast<int>(std::lround(range / static_cast<double>(largeDivisor))));
}

void PageDisplay::Scroll_V_Change()
{
    m_display->move(m_display->x(), -px(m_scrollV->value()));
    Q_EMIT userActivity();
    QCoreApplication::processEvents();
}

void PageDisplay::Scroll_H_Change()
{
    m_display->move(-px(m_scrollH->value()), m_display->y());
    Q_EMIT userActivity();
    QCoreApplication::processEvents();
}

void PageDisplay::resetScroll()
{
    m_scrollV->setValue(0);
    m_scrollH->setValue(0);
}

bool PageDisplay::eventFilter(QObject* watched, QEvent* event)
{
    const int index = elementIndex(watched);
    const bool isValueBox = qobject_cast<LinkBox*>(watched) != nullptr;
    switch (event->type()) {
    case QEvent::FocusIn:
        if (isValueBox)
            DataTopic_GotFocus(index);
        break;
    case QEvent::FocusOut:
        if (!isValueBox)
            DataTopicOut_LostFocus(index);
        break;
    case QEvent::ContextMenu:
        if (isValueBox) {
            showValueMenu(index, static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        break;
    case QEvent::KeyRelease:
        if (!isValueBox) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            DataTopicOut_KeyUp(index, key == Qt::Key_Return || key == Qt::Key_Enter ? 13
                                      : key == Qt::Key_Escape                        ? 27
                                                                                     : key);
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// The box's own edit menu, then the trend of its topic.
void PageDisplay::showValueMenu(int index, const QPoint& globalPos)
{
    LinkBox* box = dataTopic(index);
    QString application, topicName;
    if (!LinkProtocol::splitLinkTopic(box->LinkTopic, &application, &topicName))
        topicName = box->LinkTopic;
    QMenu* menu = box->createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    TrendWindows::addActions(menu, {topicName, box->LinkItem, topic(index).Description}, this);
    menu->popup(globalPos);
}
