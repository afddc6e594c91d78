#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// What every fuzz target shares: an application object, an application folder of its own with the data
// folders, and messages that go nowhere (a target runs millions of times).
namespace FuzzSupport {

// Idempotent; every target calls it first (input() does).
void init();
// A path in the temporary application folder, e.g. "Struct/DDEData/PageList.txt".
QString appPath(const QString& name);
// Writes the input to that file of the application folder, replacing it, and returns the file's path.
QString input(const QString& name, const uint8_t* data, size_t size);

} // namespace FuzzSupport
