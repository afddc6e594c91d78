#include "SplitterGrip.h"

#include "Twips.h"

#include <QMouseEvent>

#include <algorithm>

SplitterGrip::SplitterGrip(QWidget* container, int limitTwips, const QString& suffix)
    : QWidget(container), m_container(container), m_bar(new QWidget(container)), m_limitTwips(limitTwips)
{
    setObjectName(QStringLiteral("imgSplitter") + suffix);
    m_bar->setObjectName(QStringLiteral("picSplitter") + suffix);
    setCursor(Qt::SplitHCursor);
    resize(Twips::toPixels(100), height());
    m_bar->setAutoFillBackground(true);
    QPalette p = m_bar->palette();
    p.setColor(QPalette::Window, QColor(128, 128, 128));
    m_bar->setPalette(p);
    m_bar->hide();
}

int SplitterGrip::clamp(int x) const
{
    const int limit = Twips::toPixels(m_limitTwips);
    const int upper = m_container->contentsRect().width() - limit;
    return std::max(limit, std::min(x, upper));
}

void SplitterGrip::imgSplitter_MouseDown()
{
    m_bar->setGeometry(geometry());
    m_bar->show();
    m_bar->raise();
    m_dragging = true;
    if (onActivity)
        onActivity();
}

void SplitterGrip::imgSplitter_MouseMove(int mouseX)
{
    if (m_dragging)
        m_bar->move(clamp(x() + mouseX), m_bar->y());
}

void SplitterGrip::imgSplitter_MouseUp()
{
    if (!m_dragging)
        return;
    const int position = clamp(m_bar->x());
    move(position, y());
    m_bar->hide();
    m_dragging = false;
    if (onPlace)
        onPlace(position);
    if (onActivity)
        onActivity();
}

void SplitterGrip::mousePressEvent(QMouseEvent*) { imgSplitter_MouseDown(); }
void SplitterGrip::mouseMoveEvent(QMouseEvent* event) { imgSplitter_MouseMove(qRound(event->position().x())); }
void SplitterGrip::mouseReleaseEvent(QMouseEvent*) { imgSplitter_MouseUp(); }
