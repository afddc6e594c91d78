#include "TrendWindows.h"

#include "HistoryAccess.h"
#include "SharedVars.h"
#include "TrendWindow.h"

#include <QDateTime>
#include <QMenu>
#include <QPointer>

namespace {

QPointer<TrendWindow>& last()
{
    static QPointer<TrendWindow> window;
    return window;
}

void bringUp(TrendWindow* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

namespace TrendWindows {

TrendWindow* open(const TrendTopic& topic)
{
    auto* window = new TrendWindow(history::openHistoryReader(SharedVars::AppFolder),
                                   [] { return QDateTime::currentMSecsSinceEpoch(); });
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->addTopic(topic);
    last() = window;
    bringUp(window);
    return window;
}

TrendWindow* add(const TrendTopic& topic)
{
    TrendWindow* window = current();
    if (!window)
        return open(topic);
    window->addTopic(topic);
    bringUp(window);
    return window;
}

TrendWindow* current() { return last().data(); }

void addActions(QMenu* menu, const TrendTopic& topic)
{
    menu->addSeparator();
    QAction* trend = menu->addAction(QStringLiteral("Trend"));
    trend->setObjectName(QStringLiteral("Trend"));
    QObject::connect(trend, &QAction::triggered, menu, [topic] { open(topic); });
    QAction* add = menu->addAction(QStringLiteral("Add to trend"));
    add->setObjectName(QStringLiteral("AddToTrend"));
    add->setEnabled(current() && int(current()->model().pens().size()) < TrendModel::MaxPens);
    QObject::connect(add, &QAction::triggered, menu, [topic] { TrendWindows::add(topic); });
}

} // namespace TrendWindows
