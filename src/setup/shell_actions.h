// What the setup's windows do outside the program that a test must see
// without it happening: opening an address or a document with the shell, and
// ending the program. The windows call the implementation set here; a test
// sets a double of its own, the program keeps the product's.
#pragma once

#include <windows.h>

#include <string>

namespace setup {

class ShellActions {
 public:
  virtual ~ShellActions() = default;
  // Opens `target` with the shell's verb "open" in a normal window owned by
  // `owner`. False when the shell refused; the refusal is logged.
  virtual bool Open(HWND owner, const std::string& target) = 0;
  // Ends the program in an orderly way: the message loop stops and the
  // process ends with exit code 0 once the running handler has returned.
  virtual void EndProgram() = 0;
  // Ends the process at once with `exit_code` (win32::EndProgram), as after
  // a fatal error box. The product's never returns.
  virtual void EndProgramNow(unsigned exit_code) = 0;
};

// The implementation the windows call: the one last set, or the product's.
ShellActions& CurrentShellActions();
// Makes `actions` (not owned; nullptr: the product's own) the one the windows
// call and returns the one set before (nullptr when that was the product's).
ShellActions* SetShellActions(ShellActions* actions);

}  // namespace setup
