// The unattended run ("/UNATTENDED"): an installation or upgrade with the
// answers of an answers file ("/ANSWERS=<file>", answers_file.h) instead of
// the wizard's pages, or an uninstall without the question and the final
// message. No window is shown and no box: every notice goes to the log
// (win32::ShowNotice). Each outcome ends the process with its own exit code
// (setup_state.h).
#pragma once

#include <optional>
#include <string>

#include "engine/uninstall.h"
#include "setup/answers_file.h"
#include "setup/command_line.h"
#include "setup/setup_state.h"
#include "setup/startup.h"

namespace setup {

// For an unattended installation (unattended, and the remaining arguments
// ask for the wizard): reads and checks the answers file and returns its
// answers; a missing or unreadable file or a bad answer is logged and ends
// the program with kExitBadAnswers before anything is changed. Otherwise
// nullopt (an answers file given to an interactive run is logged and not
// used).
std::optional<UnattendedAnswers> ReadUnattendedAnswers(const RunSwitches& switches);

// After start-up detected the installation, without any window: takes the
// answers where the wizard's pages would have left theirs (destination,
// edition and console mode when they may be chosen, components, user
// details), checks the user details as the wizard does (kExitBadAnswers when
// incomplete), runs the installation, logs the summary, applies the
// first-run answers on a new installation and tells the control server to
// reload. Ends the program: kExitOk, kExitServersNotStarted when a server did
// not start, the code of a fatal error, kExitFatal when the installation
// stopped on an error. With `dry_run` ("/DRYRUN"), after the user details
// were checked, the plan of the installation is logged instead, step by
// step, and nothing is changed: kExitOk, or kExitDamagedDistribution for a
// container that is missing or damaged.
[[noreturn]] void RunUnattendedInstallation(SetupState& state, SetupRegistries& registries,
                                            const InstallationFound& found, const UnattendedAnswers& answers,
                                            bool dry_run);

// The uninstall sequence without its question, through `window`; its final
// message goes to the log. Ends the program with kExitOk.
[[noreturn]] void RunUnattendedUninstall(engine::UninstallWindow& window, const engine::UninstallKeys& keys,
                                         const SetupState& state);

// The uninstall's window in an unattended run: no messages to let run, the
// final message in the log.
class LoggedUninstallWindow final : public engine::UninstallWindow {
 public:
  void ProcessMessages() override {}
  void ShowInformation(const std::string& text) override;
};

// The exit code of a declined question or a cancel: kExitOk in an
// interactive run (as it always was), kExitDeclined in an unattended one.
unsigned DeclinedExitCode();

}  // namespace setup
