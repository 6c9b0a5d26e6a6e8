#include "serverconf/av_setup_interface.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serverconf/config_store.h"
#include "support/config_store_test_support.h"
#include "win32/library_search.h"
#include "support/test_files.h"

namespace serverconf {
namespace {

using testing::TempFolder;
using win32::test_files::Exists;
using win32::test_files::GetFile;
using win32::test_files::PutFile;

std::string CurrentDirectory() {
  char buffer[MAX_PATH];
  const DWORD n = ::GetCurrentDirectoryA(MAX_PATH, buffer);
  return std::string(buffer, n);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// The stand-in engine package unpacked into a staging folder of the test's
// own, an installation folder with blanks in its path, the stand-in's call
// log and failure file in a state folder, the setup log captured; the
// process searches for libraries as the setup does after start-up, and its
// current directory is a folder of the test's own, checked after every call.
class AvSetupInterfaceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(win32::RestrictLibrarySearch()); }
  void SetUp() override {
    for (const char* dir : {"staging", "staging\\avast", "Tarno Mail", "state", "elsewhere"})
      win32::test_files::MakeDirectory(folder_.Dir() + dir);
    for (const char* name : {"setiface.dll", "avastoem.exe", "suitesupport.dll"})
      ASSERT_TRUE(::CopyFileA((win32::test_files::TestProgramFolder() + "av-standin\\" + name).c_str(), (Staging() + name).c_str(), FALSE))
          << "copying the stand-in " << name << " error " << ::GetLastError();
    ::SetEnvironmentVariableA("TARNO_SETIFACE_STATE", State().c_str());
    ::SetEnvironmentVariableA("TARNO_SETUP_LOG", (State() + "setup.log").c_str());
    SetInstallPath(Install());
    saved_directory_ = CurrentDirectory();
    ASSERT_TRUE(::SetCurrentDirectoryA(Elsewhere().c_str()));
  }
  void TearDown() override {
    EXPECT_EQ(CurrentDirectory(), Elsewhere()) << "the current directory was not restored";
    UnloadAvSetupInterface();
    ::SetCurrentDirectoryA(saved_directory_.c_str());
    ::SetEnvironmentVariableA("TARNO_SETIFACE_STATE", nullptr);
    ::SetEnvironmentVariableA("TARNO_SETUP_LOG", nullptr);
  }

  std::string Staging() const { return folder_.Dir() + "staging\\avast\\"; }
  std::string Install() const { return folder_.Dir() + "Tarno Mail\\"; }
  std::string State() const { return folder_.Dir() + "state\\"; }
  std::string Elsewhere() const { return folder_.Dir() + "elsewhere"; }
  std::vector<std::string> Calls() const {
    const std::string log = State() + "setiface-calls.log";
    return Exists(log) ? Lines(GetFile(log)) : std::vector<std::string>{};
  }
  void Fail(const std::string& lines) { PutFile(State() + "setiface-fail.txt", lines); }

  std::string InstallCall() const {
    return "setifaceInstallProgram\tCordane\t" + Staging() + "avastoem.exe\t" + Install() +
           "avast\t/minicore /noreboot /forceinstall\t2\tstatus=0\tcwd=" + folder_.Dir() + "staging\\avast";
  }
  std::string UninstallCall() const {
    return "setifaceUninstallProgram\tCordane\t(null)\t2\tstatus=0\tcwd=" + Elsewhere();
  }

  TempFolder folder_;
  std::string saved_directory_;
};

// An engine already present is not installed again: the second install
// makes no call. (The installation's and the uninstall's order of calls is
// shown with the code that makes them, the engine's install_adapters_test.)
TEST_F(AvSetupInterfaceTest, PresentEngineIsNotInstalledAgain) {
  ASSERT_TRUE(LoadAvSetupInterface(Staging()));
  EXPECT_TRUE(InstallAvEngine(Install() + "avast"));
  EXPECT_TRUE(Exists(Install() + "avast\\setup\\setiface.dll")) << "the engine was not installed";
  EXPECT_FALSE(InstallAvEngine(Install() + "avast\\"));
  EXPECT_EQ(Calls(), std::vector<std::string>{InstallCall()});
}

// Install counts only the code; update and uninstall need code 0 and the
// status 0x20000000 as well.
TEST_F(AvSetupInterfaceTest, SuccessRules) {
  ASSERT_TRUE(LoadAvSetupInterface(Staging()));
  Fail("setifaceInstallProgram 0 7\r\nsetifaceUpdateFiles 0 0x1\r\nsetifaceUninstallProgram 0 0x20000001\r\n");
  EXPECT_TRUE(InstallAvEngine(Install() + "avast\\"));
  EXPECT_EQ(LastAvStatus(), 7u);
  EXPECT_FALSE(UpdateAvEngineFiles());
  EXPECT_EQ(LastAvStatus(), 1u);
  EXPECT_FALSE(UninstallAvEngine());

  Fail("setifaceInstallProgram 5 0x20000000\r\nsetifaceUpdateFiles 3 0x20000000\r\n");
  EXPECT_FALSE(InstallAvEngine(Install() + "avast\\"));
  EXPECT_EQ(LastAvResultCode(), 5u);
  EXPECT_FALSE(UpdateAvEngineFiles());

  Fail("");
  EXPECT_TRUE(UpdateAvEngineFiles());
  EXPECT_TRUE(UninstallAvEngine());
  EXPECT_EQ(Calls().size(), 7u);
}

// A failing engine installer fails the install call (its exit code is the code).
TEST_F(AvSetupInterfaceTest, FailingInstallerFailsTheInstall) {
  Fail("avastoem\r\n");
  ASSERT_TRUE(LoadAvSetupInterface(Staging()));
  EXPECT_FALSE(InstallAvEngine(Install() + "avast"));
  EXPECT_EQ(LastAvResultCode(), 3u);
  EXPECT_FALSE(Exists(Install() + "avast\\setup\\setiface.dll"));
}

// The interface is found by its folder, not by the search path: its
// companion loads from beside it (a plain load of the same path cannot), a
// missing one is logged with the system's text and no call is made; the
// default folder is the installed engine's.
TEST_F(AvSetupInterfaceTest, LoadingAndWithoutInterface) {
  HMODULE plain = ::LoadLibraryA((Staging() + "setiface.dll").c_str());
  EXPECT_EQ(plain, nullptr) << "the restricted search still finds the companion beside setiface.dll";
  if (plain != nullptr) ::FreeLibrary(plain);

  EXPECT_FALSE(LoadAvSetupInterface());
  EXPECT_FALSE(InstallAvEngine(Install() + "avast\\"));
  EXPECT_FALSE(UpdateAvEngineFiles());
  EXPECT_FALSE(UninstallAvEngine());
  EXPECT_TRUE(Calls().empty());
  const std::string log = GetFile(State() + "setup.log");
  EXPECT_NE(log.find("setiface.dll function LoadLibrary(" + Install() + "avast\\setup\\setiface.dll) error 126 : "),
            std::string::npos)
      << log;

  ASSERT_TRUE(LoadAvSetupInterface(Staging().substr(0, Staging().size() - 1)));
  EXPECT_TRUE(LoadAvSetupInterface(folder_.Dir() + "nowhere")) << "a second load answers for the loaded one";
  ASSERT_TRUE(InstallAvEngine(Install() + "avast\\"));
  UnloadAvSetupInterface();
  ASSERT_TRUE(LoadAvSetupInterface());
  EXPECT_TRUE(UninstallAvEngine());
  EXPECT_EQ(Calls().back(), UninstallCall());
}

}  // namespace
}  // namespace serverconf
