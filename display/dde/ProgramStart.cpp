#include "ProgramStart.h"

#ifndef NOMINMAX
#define NOMINMAX // std::min and std::max, not the macros
#endif
#include <windows.h>

#include <vector>

namespace dde {

std::optional<DdeFailure> startHidden(const std::string& path)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};

    // CreateProcess may write into its command line; the quotes keep a path with spaces whole.
    const std::string quoted = "\"" + path + "\"";
    std::vector<char> commandLine(quoted.begin(), quoted.end());
    commandLine.push_back('\0');

    // A missing file is told apart before CreateProcess, whose error then depends on the folder.
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return startFailureOf(GetLastError(), path);
    // Its own folder as the working folder, as when started from its shortcut.
    const std::string::size_type slash = path.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return startFailureOf(GetLastError(), path);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return std::nullopt;
}

} // namespace dde
