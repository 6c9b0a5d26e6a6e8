#include "engine/uninstall.h"

#include <windows.h>

#include <string_view>
#include <vector>

#include "engine/file_helpers.h"
#include "engine/install_product_files.h"
#include "messages/setup_messages.h"
#include "platform/com_registration.h"
#include "platform/product_keys.h"
#include "platform/running_servers.h"
#include "platform/service_control.h"
#include "platform/service_table.h"
#include "platform/shortcut_plan.h"
#include "platform/system_family.h"
#include "serverconf/av_setup_interface.h"
#include "win32/log.h"
#include "win32/registry_value.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace engine {
namespace {

constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
using platform::kUninstallEntryKey;
constexpr DWORD kPauseAfterStopMs = 1500;

// The program directories, deleted as whole trees in this order.
constexpr std::string_view kProgramDirectories[] = {"help\\",     "wizards\\", "modules\\", "spam\\", "html\\",
                                                    "api\\",      "tutorial\\", "examples\\", "xml\\", "php\\"};
// Deleted after the program files of the file stage.
constexpr std::string_view kLaterProgramFiles[] = {"cordanecom.dll", "cal.exe"};
constexpr std::string_view kComServers[] = {"api.dll", "cordanecom.dll"};

// The all-users programs folder from the machine's shell folders; empty when
// the value is missing or empty.
std::string CommonProgramsFolder() {
  win32::ScopedRegKey key;
  LONG result = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kShellFoldersKey, 0, KEY_QUERY_VALUE, key.receive());
  if (result != ERROR_SUCCESS) {
    win32::LogFailure("opening", std::string("HKEY_LOCAL_MACHINE\\") + kShellFoldersKey, static_cast<DWORD>(result));
    return std::string();
  }
  DWORD type = 0;
  std::vector<BYTE> data;
  const std::string& name = setup::Messages().cCommonPrograms;
  result = win32::QueryRegistryValue(key.get(), name, &type, &data);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    win32::LogLine("uninstall: no \"" + name + "\" shell folder value; the program group stays");
    return std::string();
  }
  return win32::RegistryText(data);
}

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

void DeleteProgramGroup() {
  const std::string common_programs = CommonProgramsFolder();
  if (common_programs.empty()) return;
  const std::string group = AdjustTrailingBackslash(common_programs, true, false) +
                            platform::ProgramGroupName(setup::Messages().cName) + "\\";
  if (!DeleteDirectoryTree(group)) win32::LogLine("uninstall: the program group " + group + " was not removed whole");
}

void DeleteUninstallEntry() {
  const LONG result = ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallEntryKey);
  if (result != ERROR_SUCCESS)
    win32::LogFailure("deleting", std::string("HKEY_LOCAL_MACHINE\\") + kUninstallEntryKey, static_cast<DWORD>(result));
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

void UninstallProduct(UninstallWindow& window) { UninstallProduct(window, ProgramDirectory()); }

void UninstallProduct(UninstallWindow& window, const std::string& program_dir) {
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
  DeleteProgramGroup();
  DeleteUninstallEntry();
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
