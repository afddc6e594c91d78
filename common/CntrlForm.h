#pragma once

#include <QRect>
#include <QString>

class QPainter;
class QWidget;
class DrawSurface;

// Small window-layout routines the windows share. Sizes in twips unless said otherwise.
namespace CntrlForm {

extern QString FontName;
extern qint16 FontSize;

// Applies the standard font to every control of the window.
void Set_Fonts(QWidget* window);
void Center_Form(QWidget* window);
// Sizes a main window to 0.8 of the screen and centres it.
void Size_To_Screen(QWidget* window);
// A main window is never smaller than half the screen either way: smaller, it goes back to 0.8.
void Keep_Half_Screen(QWidget* window);
void Fit_Width(QWidget* container, QWidget* control, int marginTwips);
void Fit_Client(QWidget* container, QWidget* control);
// Clears the surface and draws a light grey grid every 360 twips.
void Draw_Grid(DrawSurface* surface);
// Gradient from RGB(red, green, blue) brightening over the steps, then a border in the start colour.
// Coordinates in twips; innerSize is the window's inner size in pixels.
void Draw_Frame(QPainter& painter, int mode, int subMode, int red, int green, int blue, int steps, double x1,
                double y1, double x2, double y2, const QSize& innerSize);

} // namespace CntrlForm
