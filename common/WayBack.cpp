#include "WayBack.h"

#include "Messages.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QSizePolicy>
#include <QStyle>
#include <QToolBar>

namespace WayBack {

QToolBar* Add_Bar(QMainWindow* window, const QMenu* actions, QAction* done)
{
    auto* bar = new QToolBar(window);
    bar->setObjectName(QStringLiteral("WayBackBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (QAction* action : actions->actions())
        if (!action->isSeparator() && action != done)
            bar->addAction(action);
    auto* gap = new QWidget(bar);
    gap->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(gap);

    const QString program = Messages::title();
    QAction* back = bar->addAction(QApplication::style()->standardIcon(QStyle::SP_ArrowBack),
                                   program.isEmpty() ? done->text() : QStringLiteral("Back to ") + program);
    back->setObjectName(QStringLiteral("BackTo"));
    back->setToolTip(QStringLiteral("Close this window (Actions, Done)"));
    QObject::connect(back, &QAction::triggered, done, &QAction::trigger);
    window->addToolBar(Qt::TopToolBarArea, bar);
    return bar;
}

} // namespace WayBack
