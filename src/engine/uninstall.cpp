#include "engine/uninstall.h"

#include <windows.h>

#include <optional>
#include <string_view>

#include "engine/file_helpers.h"
#include "engine/install_product_files.h"
#include "messages/setup_messages.h"
#include "platform/com_registration.h"
#include "platform/program_group.h"
#include "platform/running_servers.h"
#include "platform/service_control.h"
#include "platform/service_table.h"
#include "platform/system_family.h"
#include "serverconf/av_setup_interface.h"
#include "setup/advanced_registry.h"
#include "win32/log.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace engine {
namespace {

constexpr DWORD kPauseAfterStopMs = 1500;

// The program directories, deleted as whole trees in this order.
constexpr std::string_view kProgramDirectories[] = {"help\\",     "wizards\\", "modules\\", "spam\\", "html\\",
                                                    "api\\",      "tutorial\\", "examples\\", "xml\\", "php\\"};
// Deleted after the program files of the file stage.
constexpr std::string_view kLaterProgramFiles[] = {"cordanecom.dll", "cal.exe"};
constexpr std::string_view kComServers[] = {"api.dll", "cordanecom.dll"};

void StopServers(const std::string& program_dir) {
  for (std::size_t row = 0; row < platform::kServerCount; ++row)
    platform::StopServerIfRunning(program_dir, row);
}

void DeleteStoppedServices() {
  if (!platform::IsNtFamily()) return;
  for (const platform::ServiceRow& row : platform::ServiceTable) {
    const std::optional<DWORD> state = platform::QueryServiceState(row.ServiceName);
    if (state && *state == SERVICE_STOPPED) {
      platform::DeleteServerService(row.ServiceName);
    } else {
      win32::LogLine(std::string("uninstall: service ") + row.ServiceName +
                     (state ? " is not stopped (state " + std::to_string(*state) + "); it stays" : " is not there"));
    }
  }
}

// The group where the installation put it (ProgramGroupFolder).
void DeleteProgramGroup(setup::TAdvancedRegistry& shell_folders) {
  const std::string group = platform::ProgramGroupFolder(shell_folders);
  if (group.empty()) return;
  if (!DeleteDirectoryTree(group)) win32::LogLine("uninstall: the program group " + group + " was not removed whole");
}

// The entry with whatever keys a tool added below it; a failure is logged
// where it happens.
void DeleteUninstallEntry(setup::TAdvancedRegistry& entry) {
  entry.SetRegistryRootKey(setup::TRegistryKey::hkLOCAL_MACHINE);
  entry.DeleteKey(entry.KeyPath());
}

void DeleteProgramFile(const std::string& path) {
  if (!::DeleteFileA(path.c_str())) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) win32::LogFailure("deleting", path, error);
  }
}

// What the final message asks the administrator to remove by hand, named.
void LogLeftOver(const std::string& program) {
  std::string left;
  auto check = [&](std::string_view name) {
    if (::GetFileAttributesA((program + std::string(name)).c_str()) != INVALID_FILE_ATTRIBUTES)
      left += (left.empty() ? "" : ", ") + std::string(name);
  };
  for (std::string_view file : kProgramFiles) check(file);
  for (std::string_view file : kLaterProgramFiles) check(file);
  for (std::string_view directory : kProgramDirectories) check(directory);
  check("avast\\");
  win32::LogLine(left.empty() ? "uninstall: every program file and folder was removed"
                              : "uninstall: not removed: " + left);
}

}  // namespace

void UninstallProduct(UninstallWindow& window, const UninstallKeys& keys) {
  UninstallProduct(window, keys, ProgramDirectory());
}

void UninstallProduct(UninstallWindow& window, const UninstallKeys& keys, const std::string& program_dir) {
  const std::string program = AdjustTrailingBackslash(program_dir, true, false);
  // A relative path or a drive's root would make every removal below reach
  // beyond an installation.
  if (!IsAbsolutePath(program) || program.size() <= 3) {
    win32::LogLine("uninstall: \"" + program + "\" is no installation directory; nothing is removed");
    return;
  }
  win32::LogLine("uninstall: removing the installation in " + program);

  win32::LogLine("uninstall: stopping the servers");
  StopServers(program);
  window.ProcessMessages();
  ::Sleep(kPauseAfterStopMs);
  win32::LogLine("uninstall: deleting the services, the program group and the uninstall entry");
  DeleteStoppedServices();
  DeleteProgramGroup(keys.shell_folders);
  DeleteUninstallEntry(keys.uninstall_entry);
  win32::LogLine("uninstall: unregistering the COM servers, deleting the program files and folders");
  for (std::string_view library : kComServers) platform::UnregisterComServer(program + std::string(library));
  for (std::string_view file : kProgramFiles) DeleteProgramFile(program + std::string(file));
  for (std::string_view file : kLaterProgramFiles) DeleteProgramFile(program + std::string(file));
  RemoveProgramDirectories(program);

  LogLeftOver(program);
  win32::LogLine("uninstall: done");
  window.ShowInformation(setup::Messages().cCompleteRemove);
}

void RemoveProgramDirectories(const std::string& program_dir) {
  for (std::string_view directory : kProgramDirectories) DeleteDirectoryTree(program_dir + std::string(directory));
  // The engine's own interface in the installation removes the engine; its
  // answer changes nothing about the deletion that follows.
  const std::string engine_dir = program_dir + "avast\\";
  if (serverconf::LoadAvSetupInterface(engine_dir + "setup\\")) {
    if (!serverconf::UninstallAvEngine())
      win32::LogLine("uninstall: the antivirus engine answered code " + std::to_string(serverconf::LastAvResultCode()) +
                     " status " + std::to_string(serverconf::LastAvStatus()));
  }
  serverconf::UnloadAvSetupInterface();
  DeleteDirectoryTree(engine_dir);
}

}  // namespace engine
