// The setup's command line: how it is split into arguments and what the
// first argument asks for.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace setup {

// What the first argument selects. Only the first argument is examined and
// it is compared without regard to case.
enum class StartMode {
  kWizard,         // no argument
  kSilentWizard,   // "/SILENT": the wizard without the install question
  kUninstall,      // "/UNINSTALL"
  kWebMailLogon,   // "/WEBMAILLOGON"
  kWebAdminLogon,  // "/WEBADMINLOGON"
  kUnknown,        // anything else: the program ends at once, showing nothing
};

// Splits a command line as the program's runtime does: arguments are
// separated by blanks and tabs, double quotes group blanks into an argument
// and are removed, backslashes are ordinary characters. Element 0 is the
// program itself.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

// The switches that say how the program runs rather than what it does,
// accepted in any position: "/LOG=<file>", "/UNATTENDED",
// "/ANSWERS=<file>" and "/DRYRUN" (names in any case; a repeated switch: the last one
// counts). They are taken out of the arguments before the mode is decided,
// so that the rules of the first argument apply to what remains.
struct RunSwitches {
  std::vector<std::string> args;  // the arguments without them, element 0 the program
  std::string log_file;           // empty: no "/LOG="
  bool unattended = false;
  bool answers_given = false;
  std::string answers_file;       // may be empty when given: "/ANSWERS="
  bool dry_run = false;           // "/DRYRUN": plan and log the installation, change nothing
};
RunSwitches TakeRunSwitches(const std::vector<std::string>& args);

// `args` as split above (element 0 the program).
StartMode ClassifyStartMode(const std::vector<std::string>& args);

// The folder of an "InstallDir" switch anywhere in `args` after the program:
// "/", "-", "//" or "--", the name in any case, "=", the folder. A trailing
// backslash is added. Empty when no argument is such a switch.
std::string InstallDirSwitch(const std::vector<std::string>& args);

}  // namespace setup
