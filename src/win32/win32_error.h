// The one error discipline of the Win32 code.
//
// A failure is logged once, where it happens, with what failed, on what, and
// the system's own error text (LogFailure). A failure that stops an operation
// is thrown as win32::Error and caught where the operation is guarded.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace win32 {

// The system's message for `code` ("The system cannot find the file
// specified."), without the trailing line break; "error N" when the system
// has no text for it.
std::string ErrorText(DWORD code);

// Raised for a failure that stops the operation in progress.
class Error : public std::runtime_error {
 public:
  Error(const std::string& what, DWORD code);
  DWORD code() const { return code_; }

 private:
  DWORD code_;
};

// Writes one line to the setup log: "<action> <object>: <error text> (<code>)".
// Returns `code` so that a caller can log and return in one expression.
DWORD LogFailure(const std::string& action, const std::string& object, DWORD code);

// Logs like LogFailure and throws Error with the same text.
[[noreturn]] void ThrowFailure(const std::string& action, const std::string& object, DWORD code);

}  // namespace win32
