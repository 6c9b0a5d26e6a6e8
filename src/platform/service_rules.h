// The decisions of the service steps that need no system: the registered
// program path, which program the termination fallback aims at, which
// servers the final check reports, and the installer's service state.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/product_keys.h"
#include "platform/service_table.h"
#include "setup/setup_state.h"

namespace platform {

// Start types as the service control manager writes them; -1: not read.
inline constexpr int32_t kStartTypeNotRead = -1;
inline constexpr int32_t kStartAutomatic = 2;
inline constexpr int32_t kStartOnDemand = 3;
inline constexpr int32_t kStartDisabled = 4;

// The installer's service state for one installation run.
struct ServiceInstallState {
  // The start type of each row's service before the installation; -1 until read.
  std::array<int32_t, kServerCount> RememberedStartTypes;
  // Whether the installation must register the row's service.
  std::array<bool, kServerCount> ServicesToCreate;
  // The key below HKEY_LOCAL_MACHINE whose value "ServicesEnabledForSetup"
  // notes the services a run set from disabled to automatic until it put
  // them back (see RememberAndEnableStartTypes).
  std::string EnabledNoteKey = kProductKey;

  ServiceInstallState() { Reset(); }
  void Reset() {
    RememberedStartTypes.fill(kStartTypeNotRead);
    ServicesToCreate.fill(false);
  }
};

// Which optional servers the installation sets up.
struct ServerChoice {
  bool im = false;         // row 3, the instant messaging component
  bool groupware = false;  // row 4, the GroupWare component
  bool Includes(std::size_t row) const { return row < kImRow || (row == kImRow ? im : groupware); }
};

// The optional servers the wizard's component choices include.
inline ServerChoice ChosenServers(const setup::SetupState& setup) {
  return {!setup.NoInstallIM, !setup.NoInstallCalendar};
}

// The program path registered for a service: `install_dir` (a trailing
// backslash is added when missing) + `executable`, in double quotes so that a
// path with blanks cannot start another program ("C:\Program.exe").
std::string ServiceProgramPath(std::string_view install_dir, std::string_view executable);

// The program path in a service registration as a plain path: the text
// between leading double quotes, or the text up to the first blank.
std::string UnquotedProgramPath(std::string_view registered);

// The file name the termination fallback looks for: lower case, ".exe"
// appended when it has no extension.
std::string ProgramFileName(std::string_view file_name);

// Whether two full program paths name the same file: compared without regard
// to ASCII case, with '/' read as '\'.
bool SameProgramPath(std::string_view a, std::string_view b);

// Whether the GroupWare server of `previous_version` is the earlier program
// ("calendar.exe") whose service must be registered anew: a previous version
// exists and is older than 8.1.7.
bool IsOldGroupWare(std::string_view previous_version);

// The list of the final service check: the DisplayName of each of rows 0, 1
// and 2 that is not running, then of row 3 when chosen and not running, each
// followed by "\r\n". Empty when nothing is to be reported: each of rows 0-2
// runs or was disabled before the installation, and row 3 runs, was disabled
// or is not chosen. Row 4 takes no part.
std::string NotRunningList(const std::array<bool, kServerCount>& running,
                           const std::array<int32_t, kServerCount>& remembered_start_types, bool im_chosen);

}  // namespace platform
