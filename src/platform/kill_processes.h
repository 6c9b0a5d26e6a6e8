// The last resort when a server does not stop: terminating its processes.
#pragma once

#include <string>

namespace platform {

// Terminates every process whose program file is the file `install_dir` +
// `file_name` names (".exe" is appended to a name without extension). The
// files themselves are compared (volume and file index), so a process started
// through a path in another case, a short name or a junction counts as well;
// where a file cannot be asked, the full paths are compared without regard
// to case. A program of the same name elsewhere (another product's
// "smtp.exe", even a copy of the same file) is left alone. The whole process list is read,
// however long. Waits (bounded) for each terminated process to end.
// True when the last termination attempted succeeded; false when none was
// attempted or the process list cannot be read.
bool KillProcessesByName(const std::string& install_dir, const std::string& file_name);

}  // namespace platform
