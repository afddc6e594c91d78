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

TrendWindow* open(const TrendTopic& topic, QWidget* owner)
{
    const auto reader = [] { return history::openHistoryReader(SharedVars::AppFolder); };
    auto* window = new TrendWindow(reader(), [] { return QDateTime::currentMSecsSinceEpoch(); }, owner->window());
    window->retryReader(reader);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->addTopic(topic);
    last() = window;
    bringUp(window);
    return window;
}

TrendWindow* add(const TrendTopic& topic, QWidget* owner)
{
    TrendWindow* window = current();
    if (!window)
        return open(topic, owner);
    window->addTopic(topic);
    bringUp(window);
    return window;
}

TrendWindow* current()
{
    return last().data();
}

void addActions(QMenu* menu, const TrendTopic& topic, QWidget* owner)
{
    menu->addSeparator();
    QAction* trend = menu->addAction(QStringLiteral("Trend"));
    trend->setObjectName(QStringLiteral("Trend"));
    QObject::connect(trend, &QAction::triggered, menu, [topic, owner] { open(topic, owner); });
    QAction* add = menu->addAction(QStringLiteral("Add to trend"));
    add->setObjectName(QStringLiteral("AddToTrend"));
    add->setEnabled(current() && int(current()->model().pens().size()) < TrendModel::MaxPens);
    QObject::connect(add, &QAction::triggered, menu, [topic, owner] { TrendWindows::add(topic, owner); });
}

} // namespace TrendWindows
