#pragma once

#include "RunError.h"

#include <QString>

namespace CntrlDDE {

// The communication server's program: beside the programs here, the fixed install path on Windows.
QString serverProgram();

// Starts the communication server hidden and returns at once, without waiting for it to come up.
// A failure to start (the program missing, say) is returned so the caller can report it and go on.
Status Load_RSLinx();

} // namespace CntrlDDE
