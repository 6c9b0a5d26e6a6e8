// Whether the servers run, stopping them before files are replaced, and the
// check after they were started.
#pragma once

#include <windows.h>

#include <cstddef>

#include "platform/service_rules.h"

namespace engine {
class InstallProgress;
}
namespace setup {
struct SetupState;
}

namespace platform {

struct ServerPresence {
  bool found = false;  // NT: the service's state could be read; else: the main window exists
  DWORD state = 0;     // NT only: 1 stopped, 4 running, ...
};

// NT: the state of the row's service; other family: whether its main window exists.
ServerPresence IsServerRunning(std::size_t row);

// Whether a presence counts as running: on NT the state must be 4, elsewhere
// the window suffices.
bool IsRunningPresence(const ServerPresence& presence);

// StopServer when IsServerRunning reports the server running.
void StopServerIfRunning(const std::string& install_dir, std::size_t row);

// The shutdown step before files are replaced (the installation runs it
// twice): shows cChecking, sets every ServicesToCreate flag, stops every
// running server twice, lets queued messages run and pauses 1,500 ms. On NT
// it then deletes "TarnoIM" when not chosen and stopped, "TarnoCalendar"
// when not chosen or older than 8.1.7 and stopped, removes the earlier
// "calendar.exe" of a version older than 8.1.7, and clears the flag of every
// service that exists and is stopped.
void CheckRunningServers(const setup::SetupState& setup, ServiceInstallState& state,
                         engine::InstallProgress& progress);

// The final check: on NT a stopped "TarnoSMTP" takes over from a running
// "SMTPSVC" (stop and disable it, start ours, pause 1,500 ms); then the
// warning cNotRunning lists the servers that do not run (NotRunningList).
// True when there was nothing to warn of.
bool CheckServicesStarted(const setup::SetupState& setup, const ServiceInstallState& state);

// Lets the window messages queued for this thread run.
void ProcessPendingMessages();

}  // namespace platform
