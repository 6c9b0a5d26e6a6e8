// Where the product's Start-menu program group lies: the one answer for the
// installation, which rebuilds the group, and for the uninstall, which
// removes it.
#pragma once

#include <string>

namespace setup {
class TAdvancedRegistry;
}

namespace platform {

// The all-users programs folder, with a trailing backslash: the value named
// by cCommonPrograms ("Common Programs") of `shell_folders` (the main
// window's AdvancedRegistry: ...\Explorer, "Shell Folders") under
// HKEY_LOCAL_MACHINE, to which the instance is switched for good; without
// that value the shell's all-users programs folder (CSIDL_COMMON_PROGRAMS).
// Empty (logged) when neither names one, never the current folder.
std::string CommonProgramsFolder(setup::TAdvancedRegistry& shell_folders);

// CommonProgramsFolder + ProgramGroupName(cName) + "\"; empty when there is
// no programs folder.
std::string ProgramGroupFolder(setup::TAdvancedRegistry& shell_folders);

}  // namespace platform
