// The setup's notices (boxes with only an OK button) and whether anyone is
// there to read them. An unattended run ("/UNATTENDED") shows no window and
// no box: every notice goes to the log instead, and the code that would ask
// a question takes the run's documented answer itself.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// Set once at program entry, before any window is made.
void SetUnattendedRun(bool unattended);
bool UnattendedRun();

// Interactive: the task-modal box `caption` / `text` with an OK button and
// `icon` (MB_ICONERROR, MB_ICONWARNING, MB_ICONINFORMATION), owned by
// `owner` (may be nullptr); returns when it is closed. Unattended: nothing
// shown. Either way the line "notice <caption>: <text>" goes to the log (line
// breaks as " | ").
void ShowNotice(HWND owner, const std::string& text, const std::string& caption, UINT icon);

}  // namespace win32
