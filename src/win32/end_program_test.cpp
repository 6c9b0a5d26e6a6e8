#include "win32/end_program.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace win32 {
namespace {

std::string TempLogPath() {
  char dir[MAX_PATH];
  const DWORD n = ::GetTempPathA(sizeof dir, dir);
  return std::string(dir, n) + "tarno_end_program_" + std::to_string(::GetCurrentProcessId()) + ".log";
}

// The process ends with the code it was given, and the log says so last.
TEST(EndProgramDeathTest, EndsWithTheGivenCodeAndLogsIt) {
  const std::string log = TempLogPath();
  ::DeleteFileA(log.c_str());
  ::SetEnvironmentVariableA("TARNO_SETUP_LOG", log.c_str());
  for (unsigned code : {0u, 1u, 7u}) {
    EXPECT_EXIT(EndProgram(code), ::testing::ExitedWithCode(static_cast<int>(code)), "") << "exit code " << code;
  }
  ::SetEnvironmentVariableA("TARNO_SETUP_LOG", nullptr);
  std::ifstream in(log, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  ::DeleteFileA(log.c_str());
  EXPECT_EQ(text,
            "[Setup] the program ends with exit code 0\r\n"
            "[Setup] the program ends with exit code 1\r\n"
            "[Setup] the program ends with exit code 7\r\n");
}

}  // namespace
}  // namespace win32
