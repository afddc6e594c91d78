#include "CntrlForm.h"

#include "DrawSurface.h"
#include "Twips.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace CntrlForm {

QString FontName;
qint16 FontSize = 8;

void Set_Fonts(QWidget* window)
{
    FontName = QStringLiteral("Comic Sans MS");
    FontSize = 8;
    QFont font(FontName, FontSize);
    window->setFont(font);
    for (QWidget* control : window->findChildren<QWidget*>())
        control->setFont(font);
}

void Center_Form(QWidget* window)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    window->move(screen.left() + static_cast<int>((screen.width() - window->width()) * 0.5),
                 screen.top() + static_cast<int>((screen.height() - window->height()) * 0.5));
}

void Size_To_Screen(QWidget* window)
{
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    window->resize(static_cast<int>(screen.width() * 0.8), static_cast<int>(screen.height() * 0.8));
    Center_Form(window);
}

void Keep_Half_Screen(QWidget* window)
{
    if (window->isMinimized())
        return;
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    if (screen.width() * 0.5 > window->width() || screen.height() * 0.5 > window->height())
        Size_To_Screen(window);
}

void Fit_Width(QWidget* container, QWidget* control, int marginTwips)
{
    const int width = container->width() - (control->x() + Twips::toPixels(marginTwips));
    if (width < 0)
        return;
    control->hide();
    control->resize(width, control->height());
    control->show();
}

void Fit_Client(QWidget* container, QWidget* control)
{
    const QRect inner = container->contentsRect();
    const int width = inner.width() - 2 * control->x();
    const int height = inner.height() - (control->x() + control->y());
    if (width < 0 || height < 0)
        return;
    control->hide();
    control->resize(width, height);
    control->show();
}

void Draw_Grid(DrawSurface* surface)
{
    constexpr int Pitch = 360;
    const QColor grey(224, 224, 224);
    surface->move(surface->x(), 0);
    surface->clear();
    const int width = Twips::fromPixels(surface->width());
    const int height = Twips::fromPixels(surface->height());
    for (int y = 0; y <= height; y += Pitch)
        surface->drawLine(0, y, width, y, grey);
    for (int x = 0; x <= width; x += Pitch)
        surface->drawLine(x, 0, x, height, grey);
}

void Draw_Frame(QPainter& painter, int mode, int subMode, int red, int green, int blue, int steps, double x1,
                double y1, double x2, double y2, const QSize& innerSize)
{
    if (mode != 1 || (subMode != 1 && subMode != 5) || steps <= 0)
        return;
    const double dx = (x2 - x1) / steps;
    const double dy = (y2 - y1) / steps;
    auto px = [](double twips) { return Twips::toPixels(twips); };
    painter.setPen(Qt::NoPen);
    for (int i = 0; i <= steps; ++i) {
        const QColor colour(std::min(red + i, 255), std::min(green + i, 255), std::min(blue + i, 255));
        const double right = subMode == 5 ? x2 - i * dx : x2;
        const double bottom = y2 - i * dy;
        painter.setBrush(colour);
        painter.drawRect(QRect(QPoint(px(x1), px(y1)), QPoint(px(right), px(bottom))));
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QColor(red, green, blue));
    painter.drawRect(0, 0, innerSize.width() - 1, innerSize.height() - 1);
}

} // namespace CntrlForm
