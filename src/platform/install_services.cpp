#include "platform/install_services.h"

#include <windows.h>

#include <string>
#include <vector>

#include "engine/install_files.h"
#include "platform/service_control.h"
#include "platform/service_table.h"
#include "platform/system_family.h"
#include "messages/setup_messages.h"
#include "setup/setup_state.h"
#include "win32/log.h"
#include "win32/registry_value.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace platform {
namespace {

constexpr const char* kComServers[] = {"api.dll", "cordanecom.dll"};
constexpr char kEnabledNoteValue[] = "ServicesEnabledForSetup";

// The note: ";" + service name + ";" for each service, empty when none.
std::string ReadEnabledNote(const std::string& key_path) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_path.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return {};
  const win32::ScopedRegKey key(opened);
  DWORD type = 0;
  std::vector<BYTE> data;
  const LONG result = win32::QueryRegistryValue(key.get(), kEnabledNoteValue, &type, &data);
  return result == ERROR_SUCCESS && type == REG_SZ ? win32::RegistryText(data) : std::string();
}

void WriteEnabledNote(const std::string& key_path, const std::string& note) {
  HKEY created = nullptr;
  LONG result = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key_path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  &created, nullptr);
  const win32::ScopedRegKey key(result == ERROR_SUCCESS ? created : nullptr);
  if (result == ERROR_SUCCESS)
    result = ::RegSetValueExA(key.get(), kEnabledNoteValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(note.c_str()),
                              static_cast<DWORD>(note.size() + 1));
  if (result != ERROR_SUCCESS) win32::LogFailure("note the services enabled for the setup", key_path, result);
}

void RemoveEnabledNote(const std::string& key_path) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_path.c_str(), 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS) return;
  const win32::ScopedRegKey key(opened);
  const LONG result = ::RegDeleteValueA(key.get(), kEnabledNoteValue);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
    win32::LogFailure("remove the note of the services enabled for the setup", key_path, result);
}

}  // namespace

void RememberAndEnableStartTypes(ServiceInstallState& state) {
  const std::string noted = ReadEnabledNote(state.EnabledNoteKey);
  std::string note = noted;
  for (std::size_t row = 0; row < kServerCount; ++row) {
    const std::string name = ServiceTable[row].ServiceName;
    int32_t start_type = QueryServiceStartType(name);
    if (start_type == kStartAutomatic && noted.find(";" + name + ";") != std::string::npos) {
      win32::LogLine("installation: " + name + " was disabled before an interrupted setup enabled it");
      start_type = kStartDisabled;
    }
    state.RememberedStartTypes[row] = start_type;
    if (start_type == kStartDisabled && note.find(";" + name + ";") == std::string::npos)
      note += (note.empty() ? ";" : "") + name + ";";
  }
  // Noted before anything changes; without the note a disabled service is
  // still enabled for the run, as before.
  if (note != noted) WriteEnabledNote(state.EnabledNoteKey, note);
  for (std::size_t row = 0; row < kServerCount; ++row) {
    const std::string name = ServiceTable[row].ServiceName;
    if (state.RememberedStartTypes[row] == kStartDisabled && QueryServiceStartType(name) == kStartDisabled)
      SetServiceStartType(name, kStartAutomatic);
  }
}

void RestoreStartTypes(const setup::SetupState& setup, const ServiceInstallState& state) {
  const ServerChoice choice = ChosenServers(setup);
  for (std::size_t row = 0; row < kServerCount; ++row)
    if (choice.Includes(row)) SetServiceStartType(ServiceTable[row].ServiceName, state.RememberedStartTypes[row]);
  RemoveEnabledNote(state.EnabledNoteKey);
}

void InstallAndStartServices(const setup::SetupState& setup, const ServiceInstallState& state,
                             engine::InstallProgress& progress, ComRegistrar& registrar) {
  const ServerChoice choice = ChosenServers(setup);
  if (IsNtFamily()) {
    progress.SetProgressText(setup::Messages().cInstalling);
    for (std::size_t row = 0; row < kServerCount; ++row)
      if (choice.Includes(row) && state.ServicesToCreate[row]) CreateServerService(setup.InstallFolder, row);
  }
  // A library that does not register only loses its COM clients; the
  // registrar logs it and the installation goes on.
  for (const char* library : kComServers) registrar.RegisterComServer(setup.InstallFolder + library);

  progress.SetProgressText(setup::Messages().cStarting);
  for (std::size_t row = 0; row < kServerCount; ++row)
    if (choice.Includes(row) && state.RememberedStartTypes[row] != kStartDisabled)
      StartServer(setup.InstallFolder, row);
  progress.SetProgressText(setup::Messages().cFinishing);
}

}  // namespace platform
