#include "TabStrip.h"

#include <QPainter>
#include <QStyleOptionTabWidgetFrame>

TabStrip::TabStrip(const QStringList& captions, QTabBar::Shape shape, QWidget* parent)
    : QWidget(parent), m_tabs(new QTabBar(this))
{
    m_tabs->setShape(shape);
    m_tabs->setDrawBase(false);
    m_tabs->setExpanding(false);
    for (const QString& c : captions)
        m_tabs->addTab(c);
    connect(m_tabs, &QTabBar::tabBarClicked, this, [this](int) { Q_EMIT tabClicked(); });
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int) { Q_EMIT tabClicked(); });
}

void TabStrip::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QSize hint = m_tabs->sizeHint();
    const bool south = m_tabs->shape() == QTabBar::RoundedSouth;
    m_tabs->setGeometry(2, south ? height() - hint.height() : 0, std::min(hint.width(), width() - 4), hint.height());
}

void TabStrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    const int tabHeight = m_tabs->sizeHint().height();
    const bool south = m_tabs->shape() == QTabBar::RoundedSouth;
    frame.rect = south ? QRect(0, 0, width(), height() - tabHeight + 1) : QRect(0, tabHeight - 1, width(), height() - tabHeight + 1);
    frame.shape = m_tabs->shape();
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &p, this);
}
