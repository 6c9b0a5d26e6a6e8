#include "win32/end_program.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace win32 {
namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The process ends with the code it was given, and the log says so.
TEST(EndProgramDeathTest, EndsWithTheGivenCodeAndLogsIt) {
  // A death test runs this body again in a child process, so the log's name
  // must not depend on the process.
  char dir[MAX_PATH];
  const DWORD n = ::GetTempPathA(sizeof dir, dir);
  ASSERT_TRUE(n > 0 && n < sizeof dir) << "GetTempPathA error " << ::GetLastError();
  const std::string log = std::string(dir, n) + "tarno_end_program_test.log";
  ::SetEnvironmentVariableA("TARNO_SETUP_LOG", log.c_str());
  for (unsigned code : {0u, 1u, 7u}) {
    ::DeleteFileA(log.c_str());
    EXPECT_EXIT(EndProgram(code), ::testing::ExitedWithCode(static_cast<int>(code)), "") << "exit code " << code;
    EXPECT_EQ(ReadWhole(log), "[Setup] the program ends with exit code " + std::to_string(code) + "\r\n");
  }
  ::SetEnvironmentVariableA("TARNO_SETUP_LOG", nullptr);
  ::DeleteFileA(log.c_str());
}

}  // namespace
}  // namespace win32
