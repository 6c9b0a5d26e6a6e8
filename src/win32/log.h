// The setup log. Lines go to the debugger (OutputDebugString) and to up to
// two files, each opened, appended to and closed for every line so that
// nothing is lost when the process ends at once:
//  - the file the environment variable TARNO_SETUP_LOG names (the
//    developers' and the tests' trace): "[Setup] <text>" lines;
//  - the file given to SetLogFile (the "/LOG=" switch, the administrator's
//    log): "<yyyy-mm-dd hh:mm:ss.mmm> <text>" lines, local time.
// Logging never fails the caller and keeps the caller's last error.
#pragma once

#include <string>

namespace win32 {

void LogLine(const std::string& line);

// From now on every line is appended to `path` as well (empty: no longer).
// A relative path is made absolute against the current directory now.
void SetLogFile(const std::string& path);
// The file of SetLogFile, absolute; empty when none.
std::string LogFile();

}  // namespace win32
