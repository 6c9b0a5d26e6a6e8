#include "setup/installation_summary.h"

#include <windows.h>

#include "platform/odbc_data_sources.h"
#include "platform/product_keys.h"
#include "platform/program_group.h"
#include "platform/service_control.h"
#include "platform/service_table.h"
#include "setup/advanced_registry.h"
#include "setup/setup_state.h"
#include "win32/log.h"
#include "win32/registry_value.h"
#include "win32/scoped_handle.h"

namespace setup {
namespace {

using platform::kProductKey;
using platform::kUninstallEntryKey;
constexpr const char* kDataSources[] = {"CordaneSpamChallenge", "CordaneCalendar"};

std::string RegistryText(const char* key_path, const char* name) {
  win32::ScopedRegKey key;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_path, 0, KEY_QUERY_VALUE, key.receive()) != ERROR_SUCCESS) return {};
  DWORD type = 0;
  std::vector<BYTE> data;
  if (win32::QueryRegistryValue(key.get(), name, &type, &data) != ERROR_SUCCESS || type != REG_SZ) return {};
  return win32::RegistryText(data);
}

const char* StateName(std::optional<DWORD> state) {
  if (!state) return "not registered";
  switch (*state) {
    case SERVICE_RUNNING: return "running";
    case SERVICE_STOPPED: return "stopped";
    case SERVICE_START_PENDING: return "starting";
    case SERVICE_STOP_PENDING: return "stopping";
    default: return "in another state";
  }
}

const char* StartTypeName(int32_t start_type) {
  switch (start_type) {
    case SERVICE_AUTO_START: return "automatic";
    case SERVICE_DEMAND_START: return "on demand";
    case SERVICE_DISABLED: return "disabled";
    default: return "unknown";
  }
}

// `registry` made the main window's registry component `name` as designed.
void ApplyDesignOf(TAdvancedRegistry& registry, const char* name) {
  for (const RegistryInstanceDesign& design : kMainFormRegistries)
    if (std::string(design.name) == name) registry.ApplyDesign(design);
}

// The group where the installation puts it.
void LogProgramGroup() {
  TAdvancedRegistry shell_folders;
  ApplyDesignOf(shell_folders, "AdvancedRegistry");
  const std::string group = platform::ProgramGroupFolder(shell_folders);
  if (group.empty()) return;
  std::string names;
  int count = 0;
  WIN32_FIND_DATAA data;
  win32::ScopedFindHandle find(::FindFirstFileA((group + "*.lnk").c_str(), &data));
  if (find) {
    do {
      names += std::string(count++ ? ", " : "") + data.cFileName;
    } while (::FindNextFileA(find.get(), &data));
  }
  win32::LogLine("summary: program group " + group + ": " + std::to_string(count) + " links" +
                 (count ? " (" + names + ")" : ""));
}

// The number of files below `folder` (trailing backslash) and their bytes;
// links to folders are not entered.
struct TreeCount {
  unsigned long long files = 0;
  unsigned long long bytes = 0;
};

TreeCount CountTree(const std::string& folder) {
  TreeCount count;
  WIN32_FIND_DATAA data;
  win32::ScopedFindHandle find(::FindFirstFileA((folder + "*").c_str(), &data));
  if (!find) return count;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ++count.files;
      count.bytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    } else if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      const TreeCount inner = CountTree(folder + name + "\\");
      count.files += inner.files;
      count.bytes += inner.bytes;
    }
  } while (::FindNextFileA(find.get(), &data));
  return count;
}

}  // namespace

void LogInstallationSummary(const SetupState& state) {
  const TreeCount tree = CountTree(state.InstallFolder);
  win32::LogLine("summary: " + std::string(state.ConfigPresentAtDestination ? "upgraded" : "installed") + " " +
                 state.InstallFolder + ": " + std::to_string(tree.files) + " files, " + std::to_string(tree.bytes) +
                 " bytes");
  for (const platform::ServiceRow& row : platform::ServiceTable) {
    const std::optional<DWORD> service_state = platform::QueryServiceState(row.ServiceName);
    std::string line = "summary: service " + std::string(row.ServiceName) + ": " + StateName(service_state);
    if (service_state) line += ", start type " + std::string(StartTypeName(platform::QueryServiceStartType(row.ServiceName)));
    win32::LogLine(line);
  }
  LogProgramGroup();
  win32::LogLine("summary: uninstall entry: UninstallString=" + RegistryText(kUninstallEntryKey, "UninstallString") +
                 " QuietUninstallString=" + RegistryText(kUninstallEntryKey, "QuietUninstallString"));
  win32::LogLine("summary: product key: Version=" + RegistryText(kProductKey, "Version") +
                 " InstallDir=" + RegistryText(kProductKey, "InstallDir"));
  for (const char* source : kDataSources)
    win32::LogLine("summary: data source " + std::string(source) + ": " +
                   (platform::DSNExists(source) ? "registered" : "not registered"));
}

}  // namespace setup
