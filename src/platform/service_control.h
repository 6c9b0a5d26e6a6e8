// Creating, configuring, starting, stopping and deleting the servers.
//
// Every operation takes a row of ServiceTable and works in the mode of the
// system family: on the NT family through the service control manager, else
// by launching the program and closing its main window. All of them run on
// the setup's one thread and block it (a stop up to 10 s).
//
// Failures the administrator must hear of call ShowServiceWarning and the
// step goes on: the manager cannot be opened (start, stop, create, delete,
// disable), a start fails, the stop control fails, a creation or deletion
// fails. Not finding a service to stop or delete, and any failure while
// reading or changing a start type, are logged only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// A service's start type (2 automatic, 3 on demand, 4 disabled), read from
// its whole configuration; -1 when the manager or the service cannot be
// opened or the configuration cannot be read.
int32_t QueryServiceStartType(const std::string& service_name);

// Changes only the start type (service type and error control are written
// back as read). Does nothing for -1. Returns the start type read before, or -1.
int32_t SetServiceStartType(const std::string& service_name, int32_t start_type);

// The current state of the service (1 stopped, 4 running, ...); nullopt when
// the manager, the service or the status query fails.
std::optional<DWORD> QueryServiceState(const std::string& service_name);

// Sets the service's start type to 4 (disabled), nothing else.
void DisableService(const std::string& service_name);

// NT: starts the service `service_name` (default: the row's ServiceName)
// without arguments. Other family: launches `install_dir` + Executable with
// SW_SHOW in `install_dir` when that file exists.
void StartServer(const std::string& install_dir, std::size_t row, const char* service_name = nullptr);

// NT: sends the stop control to `service_name` (default: the row's) and polls
// every 10 ms for up to 10,000 ms until it is stopped; a service still not
// stopped then has its processes terminated (KillProcessesByName with
// `install_dir` and the row's Executable). Other family: posts WM_CLOSE to the
// row's main window and waits up to 10,000 ms for it to vanish.
void StopServer(const std::string& install_dir, std::size_t row, const char* service_name = nullptr);

// Registers the row's service: own process, automatic start, normal error
// control, LocalSystem, program path `install_dir` + Executable in quotes.
// Then, whether or not the creation succeeded: the "Description" value under
// the service's key and the description the manager keeps, and restart on
// failure. A failed creation shows the warning with its error.
void CreateServerService(const std::string& install_dir, std::size_t row);

// Sets "restart at once on failure" through ChangeServiceConfig2A, looked up
// at run time; false (logged) when the function is missing or the call fails.
bool SetServiceRestartOnFailure(SC_HANDLE service);

// Deletes the service when it exists; a missing service is no error.
void DeleteServerService(const std::string& service_name);

// The task-modal "Warning" box: cServiceError, the system's text for
// `error`, and the hint about another server on the same port. Returns when
// the box is closed.
void ShowServiceWarning(DWORD error);

}  // namespace platform
