// Start-up of the setup: runs once, when the main window is first shown,
// before it becomes visible. Examines the command line, checks the
// distribution, asks the install question, detects an earlier installation
// and fills SetupState and the wizard's controls. Every path that ends the
// program here ends the process at once (win32::EndProgram): with kExitOk after a
// declined question or a finished command, with kExitFatal after an error box.
#pragma once

#include <string>
#include <vector>

namespace setup {

class TMainForm;

void RunStartUp(TMainForm& form);

// The program's arguments, element 0 the program itself.
std::vector<std::string> ProgramArguments();

// The folder of the running program, with a trailing backslash.
std::string ProgramFolder();
// The running program's file name, without its folder.
std::string ProgramFileName();

}  // namespace setup
