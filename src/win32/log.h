// The setup log. Lines go to the debugger (OutputDebugString) and, when the
// environment variable TARNO_SETUP_LOG names a file, are appended to it.
// Logging never fails the caller.
#pragma once

#include <string>

namespace win32 {

void LogLine(const std::string& line);

}  // namespace win32
