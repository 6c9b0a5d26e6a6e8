// The last resort when a server does not stop: terminating its processes.
#pragma once

#include <string>

namespace platform {

// Terminates every process whose program file is `install_dir` +
// `file_name` (compared without regard to case; ".exe" is appended to a name
// without extension). A program of the same name elsewhere (another
// product's "smtp.exe") is left alone. The whole process list is read,
// however long. Waits (bounded) for each terminated process to end.
// True when the last termination attempted succeeded; false when none was
// attempted or the process list cannot be read.
bool KillProcessesByName(const std::string& install_dir, const std::string& file_name);

}  // namespace platform
