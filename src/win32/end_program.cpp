#include "win32/end_program.h"

#include <windows.h>

#include <string>

#include "win32/log.h"

namespace win32 {

void EndProgram(unsigned exit_code) {
  LogLine("the program ends with exit code " + std::to_string(exit_code));
  ::ExitProcess(exit_code);
}

}  // namespace win32
