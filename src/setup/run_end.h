// How a run of the setup ends on an error, the same for the wizard and for an
// unattended run: the cause in the "Error" box owned by the main window (in
// an unattended run only in the log, win32::ShowNotice), then the process
// ends with the code of the cause through the current shell actions (whose
// test double returns; the product's never does).
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace setup {

// `text` in the box with the caption cError and the error icon, owned by
// `owner` (nullptr: none), then the end with `exit_code`.
void EndWithFatalError(HWND owner, const std::string& text, unsigned exit_code);

// An error that escaped the installation: its cause is logged and ends the
// run as a fatal error with kExitFatal. The installation has put the servers
// that ran back before the error left it.
void EndWithInstallationError(HWND owner, std::exception_ptr error);

}  // namespace setup
