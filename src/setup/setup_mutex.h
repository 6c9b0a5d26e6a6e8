// One setup at a time. Two setups on one machine would stop, replace and
// start the same servers at once, so every run that changes the machine (the
// wizard, an unattended installation, the uninstall) holds the named mutex
// kSetupMutexName for the whole run; a second such run ends at once. The
// logon commands and unknown commands change nothing and take no part.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace setup {

// In the global namespace: setups of all sessions and users exclude each other.
inline constexpr char kSetupMutexName[] = "Global\\TarnoMailServerSetup";
inline constexpr char kSetupRunningText[] = "Setup is already running.";

// Whether the run `args` asks for (the run switches taken out, element 0 the
// program) takes part: no argument, "/SILENT" and "/UNINSTALL".
bool RunHoldsSetupMutex(const std::vector<std::string>& args);

// Makes this process the holder of the mutex until it ends. False when
// another process holds it (or one of another user that this process may not
// open). A failure of the system to make the mutex at all is logged and
// answers true: it must not keep the administrator from installing.
bool TakeSetupMutex();

// Start-up's step: when `args` takes part and another setup holds the
// mutex, the box kSetupRunningText with the caption of the setup's boxes
// (cSetup with cName) owned by `owner` (unattended: the log line instead),
// then the process ends with kExitSetupRunning.
void EnsureOnlySetup(HWND owner, const std::vector<std::string>& args);

}  // namespace setup
