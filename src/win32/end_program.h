// Ending the program: every path that ends the setup's process goes through
// EndProgram, so that what must happen at the end happens once, here.
#pragma once

namespace win32 {

// Writes "the program ends with exit code N" to the setup log, then ends the
// process at once with `exit_code` (ExitProcess: no rollback, no further
// window message is handled). Every log line has been written through and
// its file closed when LogLine returned, so nothing of the log is lost.
[[noreturn]] void EndProgram(unsigned exit_code);

}  // namespace win32
