// The uninstall as Add/Remove Programs runs it: an installation laid out by
// the test (the suite's programs, the five services, the program group, the
// uninstall entry, the COM servers, the antivirus engine, data of the
// administrator and the servers), then the installed setup.exe started with
// "/UNINSTALL" and its question answered through the window driver.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "com/com_standin_ids.h"
#include "platform/com_registration.h"
#include "platform/running_servers.h"
#include "platform/service_control.h"
#include "platform/service_table.h"
#include "serverconf/av_setup_interface.h"
#include "setup_fixture.h"
#include "support/host_links.h"
#include "support/test_files.h"
#include "win32/scoped_handle.h"
#include "window_driver/window_driver.h"

namespace e2e {
namespace {

using driver::Milliseconds;
using win32::test_files::Exists;
using win32::test_links::MakeHostLink;

constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarno";
constexpr char kProductKey[] = "Software\\Cordane\\Tarno Mail Server";
constexpr char kDataSourceKey[] = "Software\\ODBC\\ODBC.INI\\Tarno Uninstall Test Source";
constexpr char kQuestionCaption[] = "Tarno Mail Server Setup";
constexpr char kCompleteRemove[] =
    "Uninstall completed. Some elements could not be removed. You should manually remove items related to the "
    "application.";

// What the setup placed as program, relative to the installation.
constexpr const char* kProgramFiles[] = {
    "smtp.exe", "pop3.exe", "control.exe", "config.exe",  "dnsquery.exe", "tool.exe",      "sendmail.exe", "api.dll",
    "libeay32.dll", "libssl32.dll", "db.dll", "ldap32.dll", "regex.dll", "cordanecom.dll", "cal.exe"};
constexpr const char* kProgramDirectories[] = {"help", "wizards", "modules", "spam",  "html",
                                               "api",  "tutorial", "examples", "xml", "php"};
// What the administrator and the servers produced.
constexpr const char* kDataDirectories[] = {"config", "mail", "logs", "calendar", "ldap", "webmail"};

bool KeyExists(HKEY root, const std::string& key) {
  win32::ScopedRegKey handle;
  return ::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, handle.receive()) == ERROR_SUCCESS;
}

void CopyInto(const std::string& from_folder, const std::string& name, const std::string& to) {
  const std::string from = from_folder + name;
  ASSERT_TRUE(::CopyFileA(from.c_str(), (to + name).c_str(), FALSE)) << from << ": error " << ::GetLastError();
}

// Every file below `folder`: relative path -> content.
void ReadTree(const std::string& folder, const std::string& prefix, std::map<std::string, std::string>& files) {
  WIN32_FIND_DATAA data;
  win32::ScopedFindHandle find(::FindFirstFileA((folder + "*").c_str(), &data));
  if (!find) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      ReadTree(folder + name + "\\", prefix + name + "\\", files);
    else
      files[prefix + name] = ReadFile(folder + name);
  } while (::FindNextFileA(find.get(), &data));
}

class UninstallTest : public ::testing::Test {
 protected:
  UninstallTest()
      : product_(HKEY_LOCAL_MACHINE, kProductKey),
        entry_(HKEY_LOCAL_MACHINE, kUninstallKey),
        common_programs_(HKEY_LOCAL_MACHINE, kShellFoldersKey, "Common Programs"),
        install_(TempFolder("tarno uninstall")),
        outside_(TempFolder("tarno uninstall outside")),
        engine_log_(TempFolder("tarno uninstall engine")) {}

  void SetUp() override {
    RemoveServices();  // left by an interrupted run
    LayOutInstallation();
    if (HasFatalFailure()) return;
    before_ = DataFiles();
  }

  // Stops and deletes whatever registration of the suite's services exists
  // (a stop control to a stopped service would bring up the warning box).
  void RemoveServices() {
    for (std::size_t row = 0; row < platform::kServerCount; ++row) {
      if (platform::QueryServiceState(platform::ServiceTable[row].ServiceName).has_value()) {
        platform::StopServerIfRunning(install_, row);
        platform::DeleteServerService(platform::ServiceTable[row].ServiceName);
      }
    }
  }

  void TearDown() override {
    RemoveServices();
    for (const char* library : {"api.dll", "cordanecom.dll"})
      if (Exists(install_ + library)) platform::UnregisterComServer(install_ + library);
    ::RegDeleteTreeA(HKEY_CLASSES_ROOT, suite::kApiClassKey);
    ::RegDeleteTreeA(HKEY_CLASSES_ROOT, suite::kCordaneComClassKey);
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kDataSourceKey);
    ::SetEnvironmentVariableA("TARNO_SETIFACE_STATE", nullptr);
    ::SetEnvironmentVariableA("TARNO_SETUP_LOG", nullptr);
    // Wine cannot remove a host link; the host removes the ones this test made.
    for (const char* link : {"help\\linked", "avast\\linked"}) win32::test_links::RemoveHostLink(install_ + link);
    driver::WaitUntil([&] {
      RemoveTree(install_);
      return !Exists(install_);
    }, Milliseconds(5000), Milliseconds(100));
    RemoveTree(outside_);
    RemoveTree(engine_log_);
  }

  std::string Group() const { return outside_ + "programs\\Tarno Mail Server\\"; }

  void LayOutInstallation() {
    const std::string bin = driver::ProgramFolder();
    const std::string programs = bin + "uninstall-installation\\";
    CopyInto(bin, "setup.exe", install_);
    for (const char* file : kProgramFiles) CopyInto(programs, file, install_);
    CopyInto(programs, "im.exe", install_);
    CopyInto(programs, "suitesupport.dll", install_);
    WriteFile(install_ + "own notes.txt", "the administrator's");
    // Port 25 of the machine may be another's; the SMTP stand-in takes one of its own.
    WriteFile(install_ + "smtp.ini",
              "[StandIn]\r\nSmtpPort=" + std::to_string(20000 + ::GetCurrentProcessId() % 10000) + "\r\n");

    for (const char* dir : kProgramDirectories) {
      ASSERT_TRUE(::CreateDirectoryA((install_ + dir).c_str(), nullptr)) << dir;
      ::CreateDirectoryA((install_ + dir + "\\nested").c_str(), nullptr);
      WriteFile(install_ + dir + "\\index.html", dir);
      WriteFile(install_ + dir + "\\nested\\deep.txt", dir);
    }
    for (const char* dir : kDataDirectories) {
      ASSERT_TRUE(::CreateDirectoryA((install_ + dir).c_str(), nullptr)) << dir;
      ::CreateDirectoryA((install_ + dir + "\\inner").c_str(), nullptr);
      WriteFile(install_ + dir + "\\data.dat", std::string(dir) + std::string("\0\x01\xff binary", 10));
      WriteFile(install_ + dir + "\\inner\\more.txt", std::string("kept in ") + dir);
    }

    // The antivirus engine, installed by its own installer from a staging copy.
    ::SetEnvironmentVariableA("TARNO_SETIFACE_STATE", engine_log_.c_str());
    ASSERT_TRUE(serverconf::LoadAvSetupInterface(bin + "uninstall-antivirus\\"));
    serverconf::InstallAvEngine(install_ + "avast");
    serverconf::UnloadAvSetupInterface();
    ASSERT_TRUE(Exists(install_ + "avast\\setup\\setiface.dll")) << "the engine was not installed";

    for (const char* library : {"api.dll", "cordanecom.dll"})
      ASSERT_TRUE(platform::RegisterComServer(install_ + library)) << library;
    ASSERT_TRUE(KeyExists(HKEY_CLASSES_ROOT, suite::kApiClassKey));

    ASSERT_TRUE(::CreateDirectoryA((outside_ + "programs").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA(Group().c_str(), nullptr));
    WriteFile(Group() + "Tarno Administration.lnk", "link");
    WriteFile(Group() + "Uninstall.lnk", "link");
    WriteString(HKEY_LOCAL_MACHINE, kShellFoldersKey, "Common Programs", outside_ + "programs");
    WriteString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "Tarno Mail Server");
    WriteString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", UninstallString());
    // A key below the entry, as a deployment tool may add one: the entry goes with it.
    WriteString(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\Tool", "Note", "added by a tool");
    WriteString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", install_);
    WriteString(HKEY_LOCAL_MACHINE, kDataSourceKey, "Driver", "tarno test");

    for (std::size_t row = 0; row < platform::kServerCount; ++row) platform::CreateServerService(install_, row);
    for (const platform::ServiceRow& row : platform::ServiceTable)
      ASSERT_TRUE(platform::QueryServiceState(row.ServiceName).has_value()) << row.ServiceName << " not created";
  }

  void StartServices() {
    for (std::size_t row = 0; row < platform::kServerCount; ++row) platform::StartServer(install_, row);
    for (const platform::ServiceRow& row : platform::ServiceTable)
      ASSERT_TRUE(driver::WaitUntil([&] { return platform::QueryServiceState(row.ServiceName) == SERVICE_RUNNING; }))
          << row.ServiceName << " did not start";
  }

  std::string UninstallString() const { return "\"" + install_ + "setup.exe\" /UNINSTALL"; }

  std::map<std::string, std::string> DataFiles() const {
    std::map<std::string, std::string> files;
    for (const char* dir : kDataDirectories) ReadTree(install_ + dir + "\\", std::string(dir) + "\\", files);
    return files;
  }

  // Runs the uninstall entry's command line from the installation, answers
  // the question with `answer` and every later box with OK. Returns the
  // boxes shown after the question.
  std::vector<driver::MessageBoxInfo> RunUninstall(int answer) {
    const std::string log = engine_log_ + "setup.log";
    ::SetEnvironmentVariableA("TARNO_SETUP_LOG", log.c_str());
    driver::Process setup;
    EXPECT_TRUE(setup.Start(UninstallString(), install_)) << setup.error();
    if (!setup.started()) return {};
    HWND question = driver::WaitForMessageBox(setup.id(), kQuestionCaption);
    EXPECT_NE(question, nullptr) << "no question; log:\n" << ReadFile(log);
    if (question == nullptr) return {};
    EXPECT_EQ(driver::MessageBoxText(question),
              "Are you sure to completely remove all files and components of this program?");
    driver::AnswerMessageBox(question, answer);
    driver::WaitForWindowGone(question);
    // Stopping five servers takes up to ten seconds each.
    std::vector<driver::MessageBoxInfo> shown = AnswerBoxesUntilExit(setup, Milliseconds(60000));
    EXPECT_EQ(setup.WaitForExit(Milliseconds(20000)), std::optional<DWORD>(0)) << "log:\n" << ReadFile(log);
    log_ = ReadFile(log);
    return shown;
  }

  static std::string Describe(const std::vector<driver::MessageBoxInfo>& boxes) {
    std::string all;
    for (const auto& box : boxes) all += driver::Describe(box) + "\n";
    return all;
  }

  void ExpectOnlyTheFinalMessage(const std::vector<driver::MessageBoxInfo>& shown) {
    ASSERT_EQ(shown.size(), 1u) << Describe(shown) << "log:\n" << log_;
    EXPECT_EQ(shown[0].caption, "Information");
    EXPECT_EQ(shown[0].icon, driver::MessageBoxIcon::kInformation);
    EXPECT_EQ(shown[0].text, kCompleteRemove);
  }

  void ExpectProgramRemoved() {
    for (const platform::ServiceRow& row : platform::ServiceTable)
      EXPECT_FALSE(platform::QueryServiceState(row.ServiceName).has_value()) << row.ServiceName << " is still there";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, suite::kApiClassKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, suite::kCordaneComClassKey));
    for (const char* file : kProgramFiles) EXPECT_FALSE(Exists(install_ + file)) << file;
    for (const char* dir : kProgramDirectories) EXPECT_FALSE(Exists(install_ + dir)) << dir;
    EXPECT_FALSE(Exists(install_ + "avast")) << "the engine's folder";
    EXPECT_FALSE(Exists(install_ + "im.exe")) << "a program file the installation places";
    EXPECT_NE(ReadFile(engine_log_ + "setiface-calls.log").find("setifaceUninstallProgram\tCordane\t(null)"),
              std::string::npos)
        << ReadFile(engine_log_ + "setiface-calls.log");
  }

  void ExpectDataKept() {
    EXPECT_EQ(DataFiles(), before_);
    EXPECT_EQ(before_.size(), 2 * std::size(kDataDirectories));
    EXPECT_TRUE(Exists(install_ + "setup.exe"));
    EXPECT_EQ(ReadFile(install_ + "own notes.txt"), "the administrator's");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kDataSourceKey));
  }

  SavedKey product_;
  SavedKey entry_;
  SavedValue common_programs_;
  std::string install_;
  std::string outside_;
  std::string engine_log_;
  std::map<std::string, std::string> before_;
  std::string log_;
};

TEST_F(UninstallTest, RemovesWhatWasInstalledAsProgramAndKeepsTheData) {
  StartServices();
  ExpectOnlyTheFinalMessage(RunUninstall(IDYES));
  ExpectProgramRemoved();
  EXPECT_FALSE(Exists(Group())) << "the program group";
  EXPECT_TRUE(Exists(outside_ + "programs")) << "the programs folder itself stays";
  ExpectDataKept();
}

TEST_F(UninstallTest, ServicesAlreadyStoppedAreAllDeleted) {
  ExpectOnlyTheFinalMessage(RunUninstall(IDYES));
  ExpectProgramRemoved();
  ExpectDataKept();
}

TEST_F(UninstallTest, NoChangesNothing) {
  std::map<std::string, std::string> everything;
  ReadTree(install_, "", everything);
  std::vector<driver::MessageBoxInfo> shown = RunUninstall(IDNO);
  EXPECT_TRUE(shown.empty()) << Describe(shown);
  std::map<std::string, std::string> after;
  ReadTree(install_, "", after);
  EXPECT_EQ(after, everything);
  for (const platform::ServiceRow& row : platform::ServiceTable)
    EXPECT_TRUE(platform::QueryServiceState(row.ServiceName).has_value()) << row.ServiceName;
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, suite::kApiClassKey));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, suite::kCordaneComClassKey));
  EXPECT_TRUE(Exists(Group() + "Uninstall.lnk"));
  EXPECT_EQ(ReadFile(engine_log_ + "setiface-calls.log").find("setifaceUninstallProgram"), std::string::npos);
}

// Without the "Common Programs" value the group is where the installation
// puts it then, in the shell's all-users programs folder, and goes from
// there; a group in a folder nothing names stays, and the rest still runs.
TEST_F(UninstallTest, WithoutCommonProgramsTheGroupInTheShellsFolderGoes) {
  // Asked before the value goes, so that the setup alone must find the folder.
  char programs[MAX_PATH];
  ASSERT_EQ(::SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs), S_OK);
  const std::string shell_group = std::string(programs) + "\\Tarno Mail Server\\";
  // A group an installation of another test left there is put aside and back.
  const std::string aside =
      std::string(programs) + "\\Tarno Mail Server aside " + std::to_string(::GetCurrentProcessId());
  const bool existed = Exists(shell_group);
  if (existed) {
    ASSERT_TRUE(::MoveFileA(shell_group.c_str(), aside.c_str())) << ::GetLastError();
  }
  ASSERT_TRUE(::CreateDirectoryA(shell_group.c_str(), nullptr)) << ::GetLastError();
  WriteFile(shell_group + "Uninstall Tarno Mail Server.lnk", "link");
  DeleteValue(HKEY_LOCAL_MACHINE, kShellFoldersKey, "Common Programs");

  const std::vector<driver::MessageBoxInfo> shown = RunUninstall(IDYES);
  const bool group_left = Exists(shell_group);
  RemoveTree(shell_group);
  if (existed) {
    EXPECT_TRUE(::MoveFileA(aside.c_str(), shell_group.c_str())) << ::GetLastError();
  }
  ExpectOnlyTheFinalMessage(shown);
  EXPECT_FALSE(group_left) << shell_group << "\nlog:\n" << log_;
  EXPECT_NE(log_.find("no \"Common Programs\" shell folder value"), std::string::npos) << log_;
  ExpectProgramRemoved();
  EXPECT_TRUE(Exists(Group() + "Uninstall.lnk")) << "a programs folder nothing names is not touched";
  ExpectDataKept();
}

// A language file beside the installed setup program reaches the final
// message: its caption (cInformation) and its text (cCompleteRemove).
TEST_F(UninstallTest, TheFinalMessageFollowsTheLanguageFile) {
  WriteFile(install_ + "setup.lng",
            "<APPLICATION><STRINGS>\r\n<ITEM ID='cinformation' VALUE='Hinweis'/>\r\n"
            "<ITEM ID='ccompleteremove' VALUE='Deinstallation beendet.'/>\r\n</STRINGS></APPLICATION>\r\n");
  const std::vector<driver::MessageBoxInfo> shown = RunUninstall(IDYES);
  ASSERT_EQ(shown.size(), 1u) << Describe(shown) << "log:\n" << log_;
  EXPECT_EQ(shown[0].caption, "Hinweis") << Describe(shown);
  EXPECT_EQ(shown[0].text, "Deinstallation beendet.") << Describe(shown);
  EXPECT_EQ(shown[0].icon, driver::MessageBoxIcon::kInformation) << Describe(shown);
  ExpectProgramRemoved();
}

// A file held open by a running process resists; the rest goes and the
// final message still comes.
TEST_F(UninstallTest, HeldFileStaysAndTheRestGoes) {
  win32::ScopedHandle held(::CreateFileA((install_ + "regex.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held.valid());
  ExpectOnlyTheFinalMessage(RunUninstall(IDYES));
  EXPECT_TRUE(Exists(install_ + "regex.dll"));
  for (const char* file : kProgramFiles) {
    if (std::string(file) != "regex.dll") {
      EXPECT_FALSE(Exists(install_ + file)) << file;
    }
  }
  for (const char* dir : kProgramDirectories) EXPECT_FALSE(Exists(install_ + dir)) << dir;
  ExpectDataKept();
}

// A directory link inside the installation pointing outside it: the link
// goes, never what it points at.
TEST_F(UninstallTest, LinkToOutsideIsNotFollowed) {
  const std::string target = outside_ + "precious\\";
  ASSERT_TRUE(::CreateDirectoryA(target.c_str(), nullptr));
  WriteFile(target + "keep.txt", "outside");
  const std::string why = MakeHostLink(install_ + "help\\linked", target);
  if (!why.empty()) GTEST_SKIP() << "no directory link: " << why;
  EXPECT_EQ(MakeHostLink(install_ + "avast\\linked", target), "") << "a second link, in the engine's folder";
  ExpectOnlyTheFinalMessage(RunUninstall(IDYES));
  EXPECT_EQ(ReadFile(target + "keep.txt"), "outside");
  // Everything else of the two folders went; Wine cannot delete the host
  // link itself (on Windows it goes as an empty folder would).
  EXPECT_FALSE(Exists(install_ + "help\\index.html"));
  EXPECT_FALSE(Exists(install_ + "help\\nested"));
  EXPECT_FALSE(Exists(install_ + "avast\\setup"));
  ExpectDataKept();
}

}  // namespace
}  // namespace e2e
