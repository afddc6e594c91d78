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

    // No control characters, TAB only in the scope list: a line break would shift the file's later lines,
    // a TAB in the first four fields the fields of the PLC list's node tag.
    bool isClean() const;

    // Why a structure file could not keep this record so that the PLC list finds it again, or empty when
    // it can: a character outside Latin-1 would be written as "?" (the header would then name another
    // file), and a listing file without "." names no structure file that "&Load" accepts.
    QString unsavable() const;
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
// The PLC list's selection: fields 0 to 3 from the selected node's tag, all empty for a root.
extern PLCData SelectedPLC;
