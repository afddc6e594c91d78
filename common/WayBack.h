#pragma once

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

// Windows that open maximised over the working window bring a second menu bar, and a newcomer does not
// see that "Done" in it leads back. This tool bar puts the window's actions and a "Back to <program>"
// button (which triggers done) where the user is looking.
namespace WayBack {

QToolBar* Add_Bar(QMainWindow* window, const QMenu* actions, QAction* done);

} // namespace WayBack
