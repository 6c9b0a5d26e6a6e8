// Start-up of the setup: runs once, when the main window is first shown,
// before it becomes visible. Examines the command line, checks the
// distribution, asks the install question, detects an earlier installation
// and fills SetupState and the wizard's controls. Every path that ends the
// program here ends the process at once (win32::EndProgram): with kExitOk after a
// finished command, DeclinedExitCode() after a declined question, the code of
// its cause after an error box. An unattended installation goes on from here
// with the answers file's answers (unattended_run.h) and ends there.
#pragma once

#include <string>
#include <vector>

namespace setup {

class TMainForm;

void RunStartUp(TMainForm& form);

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
