#include "SharedVars.h"

#include <QCoreApplication>
#include <QDir>

namespace SharedVars {

QString NewLine;
QString QuoteChar;
QString TabChar;
QString StartStamp;
QString AppFolder;
QString DDEDataFolder;
QString TStructFolder;

QString Format_Stamp(const QDateTime& when)
{
    const QTime t = when.time();
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    // Never the system's designators: the stamp goes into file names that must read back on any system.
    const QString designator = t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
    auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return when.date().toString(QStringLiteral("ddMMyy")) + two(hour12) + two(t.minute()) + two(t.second()) +
           designator;
}

void Init_Constants(const QDateTime& now)
{
    NewLine = QStringLiteral("\r\n");
    QuoteChar = QStringLiteral("\"");
    TabChar = QStringLiteral("\t");
    StartStamp = Format_Stamp(now);
}

void Init_Paths(const QString& appFolder)
{
    QString folder = appFolder.isEmpty() ? QCoreApplication::applicationDirPath() : appFolder;
    folder = QDir::fromNativeSeparators(folder);
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    AppFolder = folder;
    DDEDataFolder = AppFolder + QStringLiteral("Struct/DDEData/");
    TStructFolder = AppFolder + QStringLiteral("Struct/TStruct/");
}

} // namespace SharedVars
