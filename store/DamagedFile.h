#pragma once

#include "RunError.h"

#include <QString>

// A file read only in part must never be rewritten from that part. Its whole text is first kept beside it as
// "<name>.damaged-<stamp>" and the user is told where; when no copy can be made, the file is held unchanged
// until it reads whole again.
namespace DamagedFile {

// After a read that stopped early: keeps the file's text aside (an earlier copy of the same bytes is reused)
// and says where, or holds the file and says so.
void Keep(const QString& path);
// After a whole read: the file may be rewritten.
void Release(const QString& path);
// Fails, naming the file, while it is held.
Status Check_Rewrite(const QString& path);

} // namespace DamagedFile
