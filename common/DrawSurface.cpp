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
    m_lines.clear();
    m_texts.clear();
    m_printed.clear();
    update();
}

void DrawSurface::drawLine(double x1, double y1, double x2, double y2, const QColor& colour)
{
    const QLine line(Twips::toPixels(x1), Twips::toPixels(y1), Twips::toPixels(x2), Twips::toPixels(y2));
    m_lines.push_back({line, colour});
    update(QRect(line.p1(), line.p2()).normalized().adjusted(0, 0, 1, 1));
}

void DrawSurface::printText(const QString& text)
{
    const QFontMetrics fm(font());
    const int x = Twips::toPixels(CurrentX);
    const int top = Twips::toPixels(CurrentY);
    const QRect bounds(x, top, fm.horizontalAdvance(text) + fm.maxWidth(), fm.height());
    m_texts.push_back({bounds, top + fm.ascent(), text, ForeColor, font()});
    m_printed << text;
    CurrentY += Twips::fromPixels(fm.height());
    update(bounds);
}

void DrawSurface::paintEvent(QPaintEvent* event)
{
    const QRect area = event->rect();
    QPainter p(this);
    p.fillRect(area, palette().color(backgroundRole()));
    for (const Line& l : m_lines) {
        if (!QRect(l.line.p1(), l.line.p2()).normalized().adjusted(0, 0, 1, 1).intersects(area))
            continue;
        p.setPen(l.colour);
        p.drawLine(l.line);
    }
    for (const Text& t : m_texts) {
        if (!t.bounds.intersects(area))
            continue;
        p.setFont(t.font);
        p.setPen(t.colour);
        p.drawText(t.bounds.x(), t.baseline, t.text);
    }
}
