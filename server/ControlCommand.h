#pragma once

#include <QStringList>

// The shell's side of the server: one request to the running server, its answer printed.
namespace ControlCommand {

// fields: the request without its id, e.g. {"GET", "Line1", "N7:1"}. Returns the process exit code:
// 0 answered, 1 no server, 2 refused or no answer.
int run(const QString& socketName, const QStringList& fields);

} // namespace ControlCommand
