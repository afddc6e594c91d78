#pragma once

#include "TrendTopic.h"

class QMenu;
class TrendWindow;

// The trend windows of a program: "Trend" opens a new one, "Add to trend" adds to the one opened last.
namespace TrendWindows {

// A new window showing the topic, over the history of the program's folder.
TrendWindow* open(const TrendTopic& topic);
// Adds the topic to the last window opened that is still there; opens one when there is none.
TrendWindow* add(const TrendTopic& topic);
// The window "Add to trend" adds to; nullptr when none is open.
TrendWindow* current();
// Appends "Trend" and "Add to trend" for the topic to a context menu.
void addActions(QMenu* menu, const TrendTopic& topic);

} // namespace TrendWindows
