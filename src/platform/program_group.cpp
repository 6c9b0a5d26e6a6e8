#include "platform/program_group.h"

#include <windows.h>
#include <shlobj.h>

#include "engine/file_helpers.h"
#include "messages/setup_messages.h"
#include "platform/shortcut_plan.h"
#include "setup/advanced_registry.h"
#include "win32/log.h"
#include "win32/win32_error.h"

namespace platform {
namespace {

// The all-users programs folder as the shell knows it, with a trailing
// backslash; empty when the shell has none.
std::string ShellCommonProgramsFolder() {
  char path[MAX_PATH];
  const HRESULT result = ::SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path);
  if (FAILED(result) || path[0] == '\0') {
    win32::LogFailure("asking the shell for", "the all-users programs folder", static_cast<DWORD>(result));
    return std::string();
  }
  return engine::AdjustTrailingBackslash(path, true, false);
}

}  // namespace

std::string CommonProgramsFolder(setup::TAdvancedRegistry& shell_folders) {
  const std::string& value_name = setup::Messages().cCommonPrograms;
  shell_folders.SetRegistryRootKey(setup::TRegistryKey::hkLOCAL_MACHINE);
  const std::string common_programs = shell_folders.ReadString(value_name);
  if (!common_programs.empty()) return engine::AdjustTrailingBackslash(common_programs, true, false);
  const std::string shell_folder = ShellCommonProgramsFolder();
  if (!shell_folder.empty())
    win32::LogLine("no \"" + value_name + "\" shell folder value; the all-users programs folder is " + shell_folder);
  return shell_folder;
}

std::string ProgramGroupFolder(setup::TAdvancedRegistry& shell_folders) {
  const std::string programs = CommonProgramsFolder(shell_folders);
  if (programs.empty()) return std::string();
  return programs + ProgramGroupName(setup::Messages().cName) + "\\";
}

}  // namespace platform
