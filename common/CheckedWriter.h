#pragma once

#include "RunError.h"

#include <QByteArray>
#include <QString>

// The one way the programs write a file. Every step is checked: the bytes go to a new file beside the target,
// are written, synced and closed, the new file is renamed over the target, and the folder is synced where the
// platform can. A failure at any step removes the new file and leaves the target as it was.
namespace CheckedWriter {

struct Options {
    // Readable and writable by the owner alone from the first byte.
    bool ownerOnly = false;
    // Fails with FileAlreadyExists instead of replacing an existing file.
    bool keepExisting = false;
};

Status replace(const QString& path, const QByteArray& bytes, Options options = {});

// A plain rename that replaces the target; it fails rather than copying.
Status rename(const QString& from, const QString& to);
// Makes the folder's renames and removals durable; does nothing where the platform has no folder sync.
Status syncFolder(const QString& folder);

// Seam for fault injection in tests: every write, sync, close and rename the writer makes is counted, and the
// call numbered nth fails, once or with every call after it too. nth 0 fails none.
namespace Faults {
void failFrom(int nth, bool fromThenOn);
void clear();
// Calls counted since the last failFrom or clear.
int calls();
// Calls made to fail since then.
int failed();
} // namespace Faults

} // namespace CheckedWriter
