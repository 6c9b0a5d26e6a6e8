// What happens when the finish page is left with its finish button: the
// first-run wizard when "Run Installation Wizard" is ticked, the reload
// command to the web and control server, the chosen documents and programs
// opened through the shell, then the end of the program with exit code 0.
//
// The installation directory is the main window's InstallFolder (trailing
// backslash). Nothing here reports an error: a refused shell open is logged,
// a missing tutorial is skipped, a cancelled wizard changes nothing.
#pragma once

namespace setup {

class TMainForm;

// RunChosenWizard, then LaunchChosenPrograms.
[[noreturn]] void RunPostInstallActions(TMainForm& form);

// OpenChosenPrograms, then the end of the program with exit code 0.
[[noreturn]] void LaunchChosenPrograms(TMainForm& form);

// When RunTutorial is ticked: the first-run wizard (the application's
// "WizardForm") shown modally and its answers applied to the installation's
// configuration.
void RunChosenWizard(TMainForm& form);

// The reload command to the web and control server (row 2, message 1280,
// parameters 3 and 0; the result is ignored, a failure logged).
void SendReloadCommand();

// SendReloadCommand; then, each when ticked, opened
// through the current shell actions with the main window as owner:
// "releasenotes.txt", "tutorial\index.html" only when that file exists, and
// "config.exe" of the installation directory.
void OpenChosenPrograms(TMainForm& form);

}  // namespace setup
