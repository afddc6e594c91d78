#pragma once

#include <QIcon>

// The programs' own icons, drawn here so they need no image plug-in: the designer a page of value boxes
// on a grid, the viewer a gauge.
namespace ProgramIcon {

QIcon designer();
QIcon viewer();

} // namespace ProgramIcon
