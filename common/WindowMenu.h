#pragma once

class QMdiArea;
class QMenu;
class QWidget;

// The "Window" menu: one checkable item per window of the parent's area, the active one checked.
namespace WindowMenu {

// Refills menu with the windows of area.
void Fill(QMenu* menu, QMdiArea* area);
// The area a window shows in, when it is a sub-window of one.
QMdiArea* areaOf(QWidget* window);

} // namespace WindowMenu
