// Terminating a server's processes by the installation's program file,
// against copies of a suite program started by the test.
#include "platform/kill_processes.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/host_links.h"
#include "support/services_test_support.h"
#include "window_driver/window_driver.h"

namespace platform {
namespace {

using driver::Milliseconds;

// The suite's folder (with blanks in its name), a copy of its "config.exe"
// in another product's folder, and the programs started from them.
class KillProcessesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CreateDirectoryA(Elsewhere().c_str(), nullptr);
    ASSERT_TRUE(::CopyFileA((folder_.dir() + "config.exe").c_str(), (Elsewhere() + "config.exe").c_str(), FALSE))
        << ::GetLastError();
  }
  void TearDown() override {
    for (driver::Process& process : started_) process.Terminate();
    win32::test_links::RemoveHostLink(Linked());
  }

  std::string Elsewhere() const { return folder_.dir() + "other product\\"; }
  // Outside the suite's folder, so that removing that folder never walks it.
  std::string Linked() const {
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "tarno kill link " + std::to_string(::GetCurrentProcessId());
  }

  // Starts `program` from its folder; the process stays in started_.
  driver::Process& Start(const std::string& program) {
    driver::Process& process = started_.emplace_back();
    EXPECT_TRUE(process.Start(driver::Quote(program), folder_.dir())) << process.error();
    return process;
  }

  // Every process in `ended` ends (bounded wait), each in `running` still runs.
  static void ExpectOnlyTheseEnded(const std::vector<driver::Process*>& ended,
                                   const std::vector<driver::Process*>& running) {
    for (driver::Process* process : ended)
      EXPECT_TRUE(process->WaitForExit(Milliseconds(10000)).has_value())
          << "process " << process->id() << " still runs";
    for (driver::Process* process : running)
      EXPECT_TRUE(process->IsRunning()) << "process " << process->id() << " was ended";
  }

  testing::SuiteFolder folder_;
  std::vector<driver::Process> started_;
};

// The installation's program started by its path in another case and by its
// short name is the same file and ends; the copy in another folder, the same
// bytes under the same name, runs on.
TEST_F(KillProcessesTest, TheProgramFileEndsByEverySpellingACopyRunsOn) {
  started_.reserve(3);
  std::string upper = folder_.dir() + "CONFIG.EXE";
  ::CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
  char short_path[MAX_PATH];
  const DWORD n = ::GetShortPathNameA((folder_.dir() + "config.exe").c_str(), short_path, MAX_PATH);
  ASSERT_TRUE(n > 0 && n < MAX_PATH) << ::GetLastError();
  ASSERT_EQ(std::string(short_path, n).find(' '), std::string::npos) << "no short name: " << short_path;
  driver::Process& by_case = Start(upper);
  driver::Process& by_short_name = Start(std::string(short_path, n));
  driver::Process& copy = Start(Elsewhere() + "config.exe");
  for (driver::Process* process : {&by_case, &by_short_name, &copy}) ASSERT_TRUE(process->IsRunning());

  EXPECT_TRUE(KillProcessesByName(folder_.dir(), "config"));
  ExpectOnlyTheseEnded({&by_case, &by_short_name}, {&copy});
  EXPECT_FALSE(KillProcessesByName(folder_.dir(), "config.exe")) << "nothing left to terminate";
  EXPECT_TRUE(copy.IsRunning());
}

// A program started through a folder link that leads into the installation
// is the installation's program; the process reports the link's path.
TEST_F(KillProcessesTest, AProgramStartedThroughALinkEnds) {
  const std::string why = win32::test_links::MakeHostLink(Linked(), folder_.dir());
  if (!why.empty()) GTEST_SKIP() << "no folder link: " << why;
  started_.reserve(2);
  driver::Process& through_link = Start(Linked() + "\\config.exe");
  driver::Process& copy = Start(Elsewhere() + "config.exe");
  ASSERT_TRUE(through_link.IsRunning());

  EXPECT_TRUE(KillProcessesByName(folder_.dir(), "config.exe"));
  ExpectOnlyTheseEnded({&through_link}, {&copy});
}

}  // namespace
}  // namespace platform
