#pragma once

#include "TrendTopic.h"

class QMenu;
class QWidget;
class TrendWindow;

// The trend windows of a program: "Trend" opens a new one, "Add to trend" adds to the one opened last.
namespace TrendWindows {

// A new window showing the topic, over the history of the program's folder. It belongs to owner's window,
// so it closes with the program's.
TrendWindow* open(const TrendTopic& topic, QWidget* owner);
// Adds the topic to the last window opened that is still there; opens one when there is none.
TrendWindow* add(const TrendTopic& topic, QWidget* owner);
// The window "Add to trend" adds to; nullptr when none is open.
TrendWindow* current();
// Appends "Trend" and "Add to trend" for the topic to a context menu.
void addActions(QMenu* menu, const TrendTopic& topic, QWidget* owner);

} // namespace TrendWindows
