#pragma once

#include <QDateTime>
#include <QString>

// Constants and folders set once at start-up and read everywhere.
namespace SharedVars {

extern QString NewLine;
extern QString QuoteChar;
extern QString TabChar;
extern QString StartStamp;
extern QString AppFolder;
extern QString DDEDataFolder;
extern QString TStructFolder;

// "DDMMYYhhmmssAMPM" on the 12-hour clock, with "AM" or "PM" and plain digits whatever the locale.
QString Format_Stamp(const QDateTime& when);

void Init_Constants(const QDateTime& now = QDateTime::currentDateTime());
// The executable's folder by default; tests point it at a temporary folder.
void Init_Paths(const QString& appFolder = QString());

} // namespace SharedVars
