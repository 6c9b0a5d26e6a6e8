#include "serverconf/av_setup_interface.h"

#include <windows.h>

#include <cstdio>

#include "engine/file_helpers.h"
#include "serverconf/av_entry_points.h"
#include "serverconf/config_store.h"
#include "win32/library_search.h"
#include "win32/log.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace serverconf {
namespace {

constexpr char kInterfaceLibrary[] = "setiface.dll";
constexpr char kInstaller[] = "avastoem.exe";
constexpr char kInstallerOptions[] = "/minicore /noreboot /forceinstall";
constexpr char kUpdateOptions[] = "/overwrite";

struct AvInterface {
  win32::ScopedModule module;
  std::string directory;  // with trailing backslash
  FARPROC entries[kAvEntryPointCount] = {};
  uint32_t last_code = 0;
  uint32_t last_status = 0;
};

AvInterface& Held() {
  static AvInterface held;
  return held;
}

template <class Fn>
Fn Entry(size_t index) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(Held().entries[index]));
}

// Makes `directory` the current directory for its lifetime and puts the one
// before back afterwards.
class CurrentDirectoryChange {
 public:
  explicit CurrentDirectoryChange(const std::string& directory) {
    char buffer[MAX_PATH];
    const DWORD n = ::GetCurrentDirectoryA(MAX_PATH, buffer);
    if (n > 0 && n < MAX_PATH) saved_.assign(buffer, n);
    if (!::SetCurrentDirectoryA(directory.c_str()))
      win32::LogFailure("changing the current directory to", directory, ::GetLastError());
  }
  ~CurrentDirectoryChange() {
    if (!saved_.empty() && !::SetCurrentDirectoryA(saved_.c_str()))
      win32::LogFailure("restoring the current directory", saved_, ::GetLastError());
  }
  CurrentDirectoryChange(const CurrentDirectoryChange&) = delete;
  CurrentDirectoryChange& operator=(const CurrentDirectoryChange&) = delete;

 private:
  std::string saved_;
};

bool FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Update and uninstall succeed only with code 0 and the success status.
bool Finished(const char* what) {
  const AvInterface& held = Held();
  const bool ok = held.last_code == 0 && held.last_status == kAvSuccessStatus;
  if (!ok) {
    char status[16];
    std::snprintf(status, sizeof status, "0x%08lX", static_cast<unsigned long>(held.last_status));
    win32::LogLine(std::string(what) + " of the antivirus engine failed: code " + std::to_string(held.last_code) +
                   ", status " + status);
  }
  return ok;
}

}  // namespace

bool LoadAvSetupInterface(const std::string& directory) {
  AvInterface& held = Held();
  if (held.module) return true;
  const std::string folder = engine::AdjustTrailingBackslash(
      directory.empty() ? Paths().install_dir + "avast\\setup\\" : directory, true, false);
  const std::string path = folder + kInterfaceLibrary;
  CurrentDirectoryChange change(folder);
  held.module.reset(win32::LoadLibraryWithOwnFolder(path));
  if (!held.module) {
    const DWORD code = ::GetLastError();
    win32::LogLine(std::string(kInterfaceLibrary) + " function LoadLibrary(" + path + ") error " +
                   std::to_string(code) + " : " + win32::ErrorText(code));
    return false;
  }
  held.directory = folder;
  for (size_t i = 0; i < kAvEntryPointCount; ++i)
    held.entries[i] = ::GetProcAddress(held.module.get(), kAvEntryPoints[i]);
  return true;
}

void UnloadAvSetupInterface() {
  AvInterface& held = Held();
  held.module.reset();
  held.directory.clear();
  for (FARPROC& entry : held.entries) entry = nullptr;
}

bool AvSetupInterfaceLoaded() { return static_cast<bool>(Held().module); }

bool InstallAvEngine(const std::string& target) {
  AvInterface& held = Held();
  auto install = Entry<SetifaceInstallProgramFn>(kAvInstallProgram);
  if (!held.module || install == nullptr) return false;
  const std::string target_dir = engine::AdjustTrailingBackslash(target, false, false);
  if (FileExists(target_dir + "\\setup\\" + kInterfaceLibrary)) {
    win32::LogLine("the antivirus engine is present in " + target_dir + "; it is not installed again");
    return false;
  }
  const std::string installer = held.directory + kInstaller;
  held.last_status = 0;
  {
    CurrentDirectoryChange change(held.directory);
    held.last_code = install(kAvPartnerName, installer.c_str(), target_dir.c_str(), kInstallerOptions, kAvCallMode,
                             &held.last_status);
  }
  if (held.last_code != 0)
    win32::LogLine("installing the antivirus engine into " + target_dir + " failed: code " +
                   std::to_string(held.last_code));
  return held.last_code == 0;
}

bool UpdateAvEngineFiles() {
  AvInterface& held = Held();
  auto update = Entry<SetifaceUpdateFilesFn>(kAvUpdateFiles);
  if (!held.module || update == nullptr) return false;
  held.last_status = 0;
  held.last_code = update(kAvPartnerName, kUpdateOptions, kAvCallMode, &held.last_status);
  return Finished("updating");
}

bool UninstallAvEngine() {
  AvInterface& held = Held();
  auto uninstall = Entry<SetifaceUninstallProgramFn>(kAvUninstallProgram);
  if (!held.module || uninstall == nullptr) return false;
  held.last_status = 0;
  held.last_code = uninstall(kAvPartnerName, nullptr, kAvCallMode, &held.last_status);
  return Finished("uninstalling");
}

uint32_t LastAvResultCode() { return Held().last_code; }
uint32_t LastAvStatus() { return Held().last_status; }

}  // namespace serverconf
