#pragma once

#include <QString>

// A controller's record: the five header lines of its structure file, in file order.
struct PLCData {
    QString name;        // friendly PLC name
    QString type;        // "RSLogix500" or "RSLogix5000"
    QString topic;       // DDE topic, "No Topic Defined" until set
    QString listingFile; // file name of the CSV export, without folder
    QString scopeList;   // upper scope index, TAB, then each scope name followed by TAB

    bool operator==(const PLCData&) const = default;
};

namespace PLCTypes {
inline const QString RSLogix500 = QStringLiteral("RSLogix500");
inline const QString RSLogix5000 = QStringLiteral("RSLogix5000");
inline const QString NoTopic = QStringLiteral("No Topic Defined");
} // namespace PLCTypes

// The last import, completed by the engineer and written by Save_Tags.
extern PLCData PLCRecord;
// The structure file loaded last.
extern PLCData LoadedPLC;
