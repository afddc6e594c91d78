#pragma once

#include <QByteArrayView>
#include <QString>

// Tells a tag export from any other comma-separated file by its header, before an import writes anything.
namespace ExportKind {

enum Kind { Unknown = 0, RSLogix5000 = 1, RSLogix500 = 2 };

// An RSLogix5000 export's first line holds "remark"; an RSLogix500 export has a line whose first field is
// "Address" before its first address line. Anything else is Unknown.
Kind of(QByteArrayView bytes);

// True when the first line of the bytes, the head of a file, holds "remark": the mark of an RSLogix5000
// export.
bool isRSLogix5000(QByteArrayView head);

// Lines an RSLogix500 import keeps: they start with the letter of a data file; headers start otherwise.
bool isAddressLine(QByteArrayView line);

// The message for a file of kind Unknown.
QString refusal(const QString& path);

} // namespace ExportKind
