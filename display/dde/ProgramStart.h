#pragma once

#include "DdeFailure.h"

#include <optional>
#include <string>

namespace dde {

// Where the communication server is installed; the programs know no other place.
inline constexpr char ServerProgramPath[] = "C:\\Program Files\\Rockwell Software\\Rslinx\\RSLinx.exe";

// Starts a program with its window hidden and returns at once: no wait for it to come up, and its
// process and thread handles are let go. The failure to start it, if any.
std::optional<DdeFailure> startHidden(const std::string& path);

} // namespace dde
