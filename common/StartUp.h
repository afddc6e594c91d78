#pragma once

#include <QString>

class QIcon;

// What both programs set up before their first window: name, version, icon, message title and fonts.
namespace StartUp {

// Stand-ins for the font families the windows ask for. A family that is installed (Windows) is used as
// it is; elsewhere the metric-compatible Debian fonts stand in, and a plain sans-serif comes last, so a
// machine without them never falls back to a script face.
void Register_Font_Substitutes();

void Prepare(const QString& title, const QIcon& icon);

} // namespace StartUp
