#include "WindowMenu.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

namespace WindowMenu {

void Fill(QMenu* menu, QMdiArea* area)
{
    menu->clear();
    if (!area)
        return;
    for (QMdiSubWindow* w : area->subWindowList()) {
        QAction* action = menu->addAction(w->windowTitle());
        action->setCheckable(true);
        action->setChecked(w == area->activeSubWindow());
        // A window closed with its close box is only hidden: choosing it brings it back, maximised as the
        // windows open.
        QObject::connect(action, &QAction::triggered, area, [area, w] {
            if (w->isHidden()) {
                // Closing the sub-window closed its widget as well.
                if (QWidget* inside = w->widget())
                    inside->show();
                w->showMaximized();
            }
            area->setActiveSubWindow(w);
        });
    }
}

QMdiArea* areaOf(QWidget* window)
{
    auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    return sub ? sub->mdiArea() : nullptr;
}

} // namespace WindowMenu
