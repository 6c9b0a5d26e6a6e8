// The installation against a planted library and unquoted paths: 40 libraries
// named like those the setup and the system libraries it uses load by name
// lie beside setup.exe during start-up and a whole installation, and none is
// loaded; afterwards every service's program path and the uninstall entry's
// command carry the program path in double quotes.
#include <cstdio>
#include <string>
#include <vector>

#include "install_fixture.h"

namespace e2e {
namespace {

using win32::test_files::Exists;

// Loaded by the program's own code by name (through the system directory).
constexpr const char* kLoadedByName[] = {"psapi", "mpr", "secur32", "crypt32", "iphlpapi", "advapi32"};
// Imported by setup.exe: system libraries that Windows takes from the system
// directory (known libraries; common controls through the manifest).
constexpr const char* kImported[] = {"kernel32", "user32", "gdi32",    "shell32",
                                     "msvcrt",   "ws2_32", "comctl32", "ole32"};
// Loaded by system libraries on a program's behalf, the usual targets of a
// planted library.
constexpr const char* kCommonTargets[] = {
    "version",  "dwmapi",   "uxtheme",  "cryptbase", "cryptsp",  "profapi",  "userenv", "wtsapi32", "winmm",
    "netapi32", "dnsapi",   "rsaenh",   "sspicli",   "wininet",  "winhttp",  "ntmarta", "propsys",  "apphelp",
    "dbghelp",  "oleacc",   "msimg32",  "comdlg32",  "shlwapi",  "setupapi", "odbc32",  "odbccp32"};

static_assert(std::size(kLoadedByName) + std::size(kImported) + std::size(kCommonTargets) == 40);

std::vector<std::string> AllPlanted() {
  std::vector<std::string> names;
  for (const char* n : kLoadedByName) names.emplace_back(n);
  for (const char* n : kImported) names.emplace_back(n);
  for (const char* n : kCommonTargets) names.emplace_back(n);
  return names;
}

class HardeningTest : public InstallTest {
 protected:
  void SetUp() override {
    InstallTest::SetUp();
    if (HasFatalFailure()) return;
    const std::string marker = driver::ProgramFolder() + "planted_marker.dll";
    ASSERT_TRUE(Exists(marker)) << marker;
    for (const std::string& name : AllPlanted())
      ASSERT_TRUE(::CopyFileA(marker.c_str(), (run_.dist() + name + ".dll").c_str(), FALSE)) << name;
  }

  std::vector<std::string> Loaded() {
    std::vector<std::string> loaded;
    for (const std::string& name : AllPlanted()) {
      const std::string mark = run_.dist() + name + ".dll.loaded";
      if (Exists(mark)) loaded.push_back(name + " (by " + ReadFile(mark) + ")");
    }
    return loaded;
  }
};

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += "\n  " + item;
  return text;
}

// A quoted program path: '"' + an existing program + '"', then arguments.
void ExpectQuotedProgram(const std::string& what, const std::string& command, const std::string& program) {
  ASSERT_FALSE(command.empty()) << what << " is empty";
  EXPECT_EQ(command.front(), '"') << what << ": " << command;
  const size_t close = command.find('"', 1);
  ASSERT_NE(close, std::string::npos) << what << ": " << command;
  EXPECT_EQ(command.substr(1, close - 1), program) << what << ": " << command;
  EXPECT_TRUE(close + 1 == command.size() || command[close + 1] == ' ') << what << ": " << command;
  EXPECT_TRUE(Exists(command.substr(1, close - 1))) << what << " names no file: " << command;
}

TEST_F(HardeningTest, PlantedLibrariesAreNotLoadedAndProgramPathsAreQuoted) {
  // The planted libraries do leave their mark when a program in the same
  // folder loads them by name with the ordinary search order. Wine takes its
  // own build of most system libraries first, so only some names can show
  // the difference here; they are printed. (bench/planted-libraries.sh makes
  // the others native-first, which needs Wine's start-up environment.)
  const std::string probe = run_.dist() + "planted_probe.exe";
  ASSERT_TRUE(::CopyFileA((driver::ProgramFolder() + "planted_probe.exe").c_str(), probe.c_str(), FALSE));
  {
    driver::Process control;
    std::string command = driver::Quote(probe);
    for (const char* n : kLoadedByName) command += std::string(" ") + n + ".dll";
    for (const char* n : kCommonTargets) command += std::string(" ") + n + ".dll";
    ASSERT_TRUE(control.Start(command, run_.dist())) << control.error();
    std::optional<DWORD> code = control.WaitForExit(driver::Milliseconds(30000));
    ASSERT_TRUE(code.has_value());
    const std::vector<std::string> marked = Loaded();
    std::printf("%zu libraries planted; a program without a restricted search loads %zu of them here:%s\n",
                AllPlanted().size(), marked.size(), Joined(marked).c_str());
    ASSERT_FALSE(marked.empty()) << "no planted library can be loaded here: the test would show nothing";
    for (const std::string& name : AllPlanted()) ::DeleteFileA((run_.dist() + name + ".dll.loaded").c_str());
    ::DeleteFileA(probe.c_str());
  }

  ASSERT_NO_FATAL_FAILURE(WalkToDestination());
  ASSERT_NO_FATAL_FAILURE(InstallInto(install_));
  EXPECT_EQ(Loaded(), std::vector<std::string>{}) << "planted libraries loaded:" << Joined(Loaded());

  const char* programs[] = {"smtp.exe", "pop3.exe", "control.exe", "im.exe", "cal.exe"};
  for (size_t row = 0; row < std::size(kServices); ++row) {
    const std::string image =
        RegText(HKEY_LOCAL_MACHINE, std::string("System\\CurrentControlSet\\Services\\") + kServices[row], "ImagePath");
    ExpectQuotedProgram(std::string(kServices[row]) + " ImagePath", image, install_ + programs[row]);
  }
  ExpectQuotedProgram("UninstallString", RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"),
                      install_ + "setup.exe");
  EXPECT_NE(install_.find(' '), std::string::npos) << "the installation folder should hold a blank: " << install_;
}

}  // namespace
}  // namespace e2e
