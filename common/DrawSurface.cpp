#include "DrawSurface.h"

#include "Twips.h"

#include <QPaintEvent>
#include <QPainter>

DrawSurface::DrawSurface(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Its own background, not the viewport's that it would otherwise inherit.
    setBackgroundRole(QPalette::Window);
    setFocusPolicy(Qt::ClickFocus);
}

void DrawSurface::clear()
{
    m_picture = QPixmap(size().expandedTo(QSize(1, 1)));
    const QPalette::ColorRole role = backgroundRole();
    m_picture.fill(palette().color(role));
    m_printed.clear();
    update();
}

void DrawSurface::drawLine(double x1, double y1, double x2, double y2, const QColor& colour)
{
    QPainter p(&m_picture);
    p.setPen(colour);
    p.drawLine(Twips::toPixels(x1), Twips::toPixels(y1), Twips::toPixels(x2), Twips::toPixels(y2));
    update();
}

void DrawSurface::printText(const QString& text)
{
    QPainter p(&m_picture);
    p.setFont(font());
    p.setPen(ForeColor);
    const QFontMetrics fm(font());
    p.drawText(Twips::toPixels(CurrentX), Twips::toPixels(CurrentY) + fm.ascent(), text);
    m_printed << text;
    CurrentY += Twips::fromPixels(fm.height());
    update();
}

void DrawSurface::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.fillRect(event->rect(), palette().color(backgroundRole()));
    p.drawPixmap(event->rect(), m_picture, event->rect());
}

void DrawSurface::resizeEvent(QResizeEvent* event)
{
    // Keep what was drawn; new area shows the background.
    QPixmap grown(size().expandedTo(QSize(1, 1)));
    grown.fill(palette().color(backgroundRole()));
    if (!m_picture.isNull()) {
        QPainter p(&grown);
        p.drawPixmap(0, 0, m_picture);
    }
    m_picture = grown;
    QWidget::resizeEvent(event);
}
