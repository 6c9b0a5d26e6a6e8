// Start-up of the setup: runs once, in the wizard when the main window is
// first shown, before it becomes visible, in an unattended run from program
// entry without any window. Examines the command line, checks the
// distribution, asks the install question, detects an earlier installation
// and fills SetupState and the wizard's controls. Every path that ends the
// program here ends the process at once (win32::EndProgram): with kExitOk after a
// finished command, DeclinedExitCode() after a declined question, the code of
// its cause after an error box. An unattended installation goes on from here
// with the answers file's answers (unattended_run.h) and ends there.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "setup/advanced_registry.h"

namespace setup {

class TMainForm;

// The registry components the setup reads and writes through: owned by the
// main window in the wizard, by the unattended run otherwise.
struct SetupRegistries {
  TAdvancedRegistry& shell_folders;    // AdvancedRegistry: the shell folders
  TAdvancedRegistry& uninstall_entry;  // AdvancedRegistryInstall: the uninstall entry
  TAdvancedRegistry& product_key;      // PathRegistry: the product key
};

// What start-up found of an earlier installation besides SetupState's
// flags: what the wizard's pages show, and what an unattended run takes
// where its answers are silent.
struct InstallationFound {
  std::string default_folder;          // a fresh installation: the programs folder (trailing backslash)
  std::string kind_label;              // an upgrade: "Upgrade Setup - Professional" or " - Standard"
  std::optional<uint8_t> edition;      // an upgrade: the configuration's edition byte
  std::optional<bool> basic_console;   // an upgrade: its console ("basic.xml" true, "advanced.xml" false)
  std::string user_name, user_email, user_company, user_country;  // as recorded under the product key
};

// The wizard's start-up, from the main window's first showing, before it
// becomes visible: the shared steps, then what was found shown on the pages.
void RunStartUp(TMainForm& form);

// The unattended run (win32::UnattendedRun()), from program entry, without
// any window: the shared start-up steps with registry components of its own,
// then the unattended installation, uninstall or command. Ends the program.
[[noreturn]] void RunUnattended();

// Takes the run switches ("/LOG=", "/UNATTENDED", "/ANSWERS=") out of the
// command line, starts the log file of "/LOG=" and marks an unattended run
// (win32::SetUnattendedRun). Called once at program entry, before any window.
void ApplyRunSwitches();

// The program's arguments without the run switches, element 0 the program
// itself.
std::vector<std::string> ProgramArguments();

// The folder of the running program, with a trailing backslash.
std::string ProgramFolder();
// The running program's file name, without its folder.
std::string ProgramFileName();

}  // namespace setup
