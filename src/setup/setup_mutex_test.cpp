// The setup mutex in this test process: which runs take part, a mutex that
// another holder made first keeps the run out, and once taken it stays held
// for the rest of the run. tests/e2e/single_setup_test.cpp runs two setup.exe
// processes against each other.
#include "setup/setup_mutex.h"

#include <gtest/gtest.h>

#include "win32/scoped_handle.h"

namespace setup {
namespace {

TEST(SetupMutexTest, RunsThatChangeTheMachineTakePart) {
  auto run = [](std::vector<std::string> rest) {
    rest.insert(rest.begin(), "setup.exe");
    return RunHoldsSetupMutex(rest);
  };
  EXPECT_TRUE(run({})) << "the wizard";
  for (const char* first : {"/SILENT", "/silent", "/UNINSTALL", "/Uninstall"}) EXPECT_TRUE(run({first})) << first;
  EXPECT_TRUE(run({"/UNINSTALL", "/InstallDir=C:\\Tarno"}));
  for (const char* first : {"/WEBMAILLOGON", "/WEBADMINLOGON", "/HELP", "InstallDir=C:\\Tarno"})
    EXPECT_FALSE(run({first})) << first;
  EXPECT_FALSE(run({"/HELP", "/SILENT"})) << "the first argument decides";
}

TEST(SetupMutexTest, AnotherHolderKeepsTheRunOutUntilItLetsGo) {
  ::SetLastError(0xdeadbeef);
  win32::ScopedHandle other(::CreateMutexA(nullptr, FALSE, kSetupMutexName));
  ASSERT_TRUE(other) << ::GetLastError();
  ASSERT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "a setup runs on this machine";
  EXPECT_FALSE(TakeSetupMutex()) << "while another holds it";
  other.reset();

  EXPECT_TRUE(TakeSetupMutex()) << "once it let go";
  EXPECT_TRUE(TakeSetupMutex()) << "this process holds it already";
  ::SetLastError(0xdeadbeef);
  win32::ScopedHandle probe(::CreateMutexA(nullptr, FALSE, kSetupMutexName));
  EXPECT_TRUE(probe);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "not held for the rest of the run";
}

}  // namespace
}  // namespace setup
