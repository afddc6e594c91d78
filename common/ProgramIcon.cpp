#include "ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace {

// Drawn on a 64 x 64 canvas, scaled to each size a desktop asks for.
using Drawing = std::function<void(QPainter&)>;

QIcon render(const QColor& tile, const Drawing& draw)
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        p.setPen(Qt::NoPen);
        p.setBrush(tile);
        p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
        draw(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

void pageOfBoxes(QPainter& p)
{
    p.setBrush(Qt::white);
    p.drawRect(QRectF(12, 10, 40, 44));
    p.setPen(QPen(QColor(190, 200, 215), 1));
    for (int y = 18; y < 54; y += 8)
        p.drawLine(QLineF(12, y, 52, y));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 150, 30));
    for (const int y : {19, 35})
        p.drawRect(QRectF(17, y, 16, 6));
    p.setBrush(QColor(30, 90, 160));
    p.drawRect(QRectF(17, 27, 24, 4));
    p.drawRect(QRectF(17, 43, 24, 4));
}

void gauge(QPainter& p)
{
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(32, 34), 22, 22);
    p.setPen(QPen(QColor(20, 110, 80), 4, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(16, 18, 32, 32), 210 * 16, -240 * 16);
    p.setPen(QPen(QColor(220, 60, 40), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QLineF(32, 34, 43, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    p.drawEllipse(QPointF(32, 34), 4, 4);
}

} // namespace

namespace ProgramIcon {

QIcon designer() { return render(QColor(30, 90, 160), pageOfBoxes); }

QIcon viewer() { return render(QColor(20, 130, 90), gauge); }

} // namespace ProgramIcon
