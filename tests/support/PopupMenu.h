#pragma once

#include <QAction>
#include <QApplication>
#include <QMenu>

#include <gtest/gtest.h>

// Picks the named entry of the context menu that is open, then closes it.
inline void pickFromPopup(const char* action)
{
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    auto* entry = menu->findChild<QAction*>(QLatin1String(action));
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    menu->close();
}
