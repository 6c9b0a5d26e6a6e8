#include "platform/icons_and_uninstall_entry.h"

#include <windows.h>

#include <exception>

#include "engine/file_helpers.h"
#include "engine/install_files.h"
#include "platform/program_group.h"
#include "platform/shortcut.h"
#include "platform/shortcut_plan.h"
#include "setup/advanced_registry.h"
#include "messages/setup_messages.h"
#include "setup/setup_state.h"
#include "win32/log.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace platform {
namespace {

constexpr char kOtherMailServerNote[] =
    "\r\nThere might be already some service running on the same TCP/IP port. Make sure MS SMTP, Norton "
    "Antivirus POP3 or some other mail server is not running on this machine.";

// The product's all-users program group, with a trailing backslash, deleted
// with everything in it and made again; empty when there is no programs
// folder to put it in.
std::string RebuildProgramGroup(setup::TAdvancedRegistry& shell_folders) {
  const std::string user_programs = shell_folders.ReadString(setup::Messages().cInstallProgram);
  if (!user_programs.empty())
    engine::DeleteDirectoryTree(engine::AdjustTrailingBackslash(user_programs, true, false) +
                                ProgramGroupName(setup::Messages().cName) + "\\");

  const std::string group = ProgramGroupFolder(shell_folders);
  if (group.empty()) return std::string();
  engine::DeleteDirectoryTree(group);
  if (!engine::ForceDirectoryTree(group)) win32::LogLine("creating the program group " + group + " failed");
  return group;
}

unsigned long long TreeBytes(const std::string& directory) {
  unsigned long long total = 0;
  WIN32_FIND_DATAA data;
  win32::ScopedFindHandle find(::FindFirstFileA((directory + "*").c_str(), &data));
  if (!find) return 0;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      total += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    else if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      total += TreeBytes(directory + name + "\\");
  } while (::FindNextFileA(find.get(), &data));
  return total;
}

// The bytes of every file below `directory` (links to folders are not
// entered), rounded up to KiB; at most 0x7fffffff.
unsigned long DirectoryTreeKiB(const std::string& directory) {
  const unsigned long long kib = (TreeBytes(engine::AdjustTrailingBackslash(directory, true, false)) + 1023) / 1024;
  return kib > 0x7fffffffULL ? 0x7fffffffUL : static_cast<unsigned long>(kib);
}

void WriteUninstallEntry(setup::TAdvancedRegistry& key, const IconsAndUninstallInput& in) {
  const std::string setup_program = in.install_dir + in.setup_file_name;
  key.WriteString("DisplayName", setup::Messages().cName);
  key.WriteString("UninstallString", UninstallCommandLine(in.install_dir, in.setup_file_name));
  key.WriteString("QuietUninstallString", QuietUninstallCommandLine(in.install_dir, in.setup_file_name));
  key.WriteString("DisplayVersion", setup::kSetupVersion);
  key.WriteString("Publisher", kPublisher);
  key.WriteString("InstallLocation", in.install_dir);
  key.WriteString("DisplayIcon", setup_program + ",0");
  key.WriteInteger("EstimatedSize", static_cast<int>(DirectoryTreeKiB(in.install_dir)));
  key.WriteInteger("NoModify", 1);
  key.WriteInteger("NoRepair", 1);
  key.WriteString("URLInfoAbout", kMakerWebAddress);
}

void WriteProductFacts(setup::TAdvancedRegistry& key, const IconsAndUninstallInput& in) {
  key.WriteString("InstallDir", in.install_dir);
  key.WriteString("Name", in.user_name);
  key.WriteString("Email", in.user_email);
  key.WriteString("Company", in.user_company);
  key.WriteString("Country", in.user_country);
  key.WriteString("Version", setup::kSetupVersion);
}

}  // namespace

void CreateIconsAndUninstallEntry(engine::InstallProgress& progress, const IconsAndUninstallKeys& keys,
                                  const IconsAndUninstallInput& input) {
  const setup::SetupMessages& m = setup::Messages();
  progress.SetProgressText(m.cCreatingIcons);

  const std::string group = RebuildProgramGroup(keys.shell_folders);
  if (!group.empty()) {
    const ShortcutPlanInput plan_input{input.install_dir, input.setup_file_name, group, input.web_mail_installed,
                                       input.nt_family};
    for (const PlannedShortcut& link : PlanShortcuts(plan_input, m))
      CreateShortcut(link.target, link.link_file, link.arguments, link.icon_index);
  }

  try {
    WriteUninstallEntry(keys.uninstall, input);
    WriteProductFacts(keys.product, input);
  } catch (const std::exception& error) {
    progress.FatalError(m.cRegistryError + error.what() + kOtherMailServerNote, setup::kExitFatal);
  }
}

}  // namespace platform
