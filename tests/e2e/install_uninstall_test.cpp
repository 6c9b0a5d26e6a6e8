// A whole life of the product through its own windows: the sample
// distribution installed through the wizard and left through the finish page,
// then removed through the command line of its uninstall entry, run as
// Add/Remove Programs runs it (CreateProcess of "UninstallString" as it
// stands) or by Wine's own Add/Remove Programs tool, and installed again
// into the same folder, which the wizard now offers as an upgrade.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "install_fixture.h"

namespace e2e {
namespace {

using driver::Milliseconds;
using win32::test_files::Exists;

constexpr char kCompleteRemove[] =
    "Uninstall completed. Some elements could not be removed. You should manually remove items related to the "
    "application.";
constexpr char kReloadCommand[] = "pipe 4096 1280 3 0 0\r\n";

// What the uninstall removes as program, relative to the installation.
constexpr const char* kRemovedFiles[] = {"smtp.exe",     "pop3.exe",     "control.exe", "config.exe", "dnsquery.exe",
                                         "tool.exe",     "sendmail.exe", "api.dll",     "libeay32.dll",
                                         "libssl32.dll", "db.dll",       "ldap32.dll",  "regex.dll",
                                         "cordanecom.dll", "cal.exe"};
constexpr const char* kRemovedTrees[] = {"help",     "wizards",  "modules", "spam", "html", "api",
                                         "tutorial", "examples", "xml",     "php",  "avast"};
// What the administrator and the servers produced; it stays byte for byte.
constexpr const char* kKeptTrees[] = {"config", "mail", "logs", "calendar", "ldap", "webmail"};
constexpr const char* kServerPrograms[] = {"smtp", "pop3", "control", "im", "cal"};

// Size and FNV-1a digest of each file below the kept trees.
std::map<std::string, std::string> KeptFileDigests(const std::string& install) {
  std::map<std::string, std::string> digests;
  for (const char* tree : kKeptTrees) {
    const std::string folder = install + tree + "\\";
    for (const auto& [name, bytes] : win32::test_files::FileContentsBelow(folder)) {
      uint64_t hash = 14695981039346656037ull;
      for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
      char digest[64];
      std::snprintf(digest, sizeof digest, "%zu bytes, %016llx", bytes.size(), static_cast<unsigned long long>(hash));
      digests[std::string(tree) + "\\" + name] = digest;
    }
  }
  return digests;
}

bool ProcessEnded(DWORD id) {
  win32::ScopedHandle process(::OpenProcess(SYNCHRONIZE, FALSE, id));
  return !process || ::WaitForSingleObject(process.get(), 20000) == WAIT_OBJECT_0;
}

class InstallUninstallTest : public InstallTest {
 protected:
  // Each server's command log, keyed by its program's name.
  std::map<std::string, std::string> CommandLogs() {
    std::map<std::string, std::string> logs;
    for (const char* program : kServerPrograms) logs[program] = ReadFile(install_ + program + "-commands.log");
    return logs;
  }

  // Clears the finish page's four actions, clicks Finish and expects the
  // setup to end with exit code 0 (the first-run wizard, a modal window,
  // would hold it).
  void FinishWithNoActions() {
    for (const char* action : {"RunConfig", "ShowTutorial", "ViewReleaseNotes", "RunTutorial"}) {
      HWND box = Control(action);
      if (driver::IsChecked(box)) driver::Click(box);
      ASSERT_FALSE(driver::IsChecked(box)) << action << " stays ticked";
    }
    driver::Click(Control("NextButton"));
    EXPECT_EQ(run_.process().WaitForExit(Milliseconds(30000)), std::optional<DWORD>(0))
        << "the setup did not end with 0 after Finish; log:\n" << run_.Log();
  }

  // Runs `command_line` as Add/Remove Programs does, answers the question
  // Yes and every later box OK; returns the boxes shown after the question.
  std::vector<driver::MessageBoxInfo> RunUninstallEntry(const std::string& command_line) {
    driver::Process setup;
    EXPECT_TRUE(setup.Start(command_line)) << setup.error();
    if (!setup.started()) return {};
    HWND question = driver::WaitForMessageBox(setup.id(), "Tarno Mail Server Setup", Milliseconds(30000));
    EXPECT_NE(question, nullptr) << "no question; log:\n" << run_.Log();
    if (question == nullptr) return {};
    driver::MessageBoxInfo asked = driver::ReadMessageBox(question);
    EXPECT_EQ(asked.text, "Are you sure to completely remove all files and components of this program?");
    EXPECT_EQ(asked.ButtonIds(), (std::vector<int>{IDYES, IDNO})) << driver::Describe(asked);
    driver::AnswerMessageBox(question, IDYES);
    driver::WaitForWindowGone(question);
    // Stopping the five servers takes up to ten seconds each.
    std::vector<driver::MessageBoxInfo> shown = AnswerBoxesUntilExit(setup, Milliseconds(60000));
    EXPECT_EQ(setup.WaitForExit(Milliseconds(20000)), std::optional<DWORD>(0)) << "log:\n" << run_.Log();
    return shown;
  }

  // Installs the sample distribution and leaves the finish page with no
  // action; then notes the servers' processes and the data to be kept,
  // with a log file such as a server writes in the course of its work.
  void InstallAndFinish() {
    ASSERT_NO_FATAL_FAILURE(WalkToDestination());
    ASSERT_NO_FATAL_FAILURE(InstallInto(install_));
    ASSERT_NO_FATAL_FAILURE(FinishWithNoActions());
    // The report and the demonstration mail are in before the data is read.
    EXPECT_TRUE(driver::WaitUntil([&] { return StoredMails(install_).size() >= 2; }));
    for (const char* name : kServices) {
      ASSERT_TRUE(WaitForState(name, SERVICE_RUNNING)) << name;
      servers_.push_back(ServiceProcess(name));
    }
    for (const char* tree : kRemovedTrees) ASSERT_TRUE(Exists(install_ + tree)) << tree << " was not installed";
    ::CreateDirectoryA((install_ + "logs").c_str(), nullptr);
    WriteFile(install_ + "logs\\smtp-20261208.log", std::string("220 ready\r\n\0\xff", 13));
    kept_ = KeptFileDigests(install_);
    for (const char* tree : kKeptTrees) {
      const std::string prefix = std::string(tree) + "\\";
      const bool any = std::any_of(kept_.begin(), kept_.end(),
                                   [&](const auto& file) { return file.first.rfind(prefix, 0) == 0; });
      EXPECT_TRUE(any) << "nothing below " << prefix << " to keep";
    }
  }

  static void ExpectFinalMessage(const driver::MessageBoxInfo& box) {
    EXPECT_EQ(box.caption, "Information");
    EXPECT_EQ(box.text, kCompleteRemove);
    EXPECT_EQ(box.icon, driver::MessageBoxIcon::kInformation) << driver::Describe(box);
  }

  void ExpectProgramRemovedAndDataKept() {
    // The servers stopped and their services are gone.
    for (size_t row = 0; row < std::size(kServices); ++row) {
      EXPECT_FALSE(ServiceStatus(kServices[row])) << kServices[row] << " is still registered";
      EXPECT_TRUE(ProcessEnded(servers_[row])) << kServices[row] << " still runs";
    }
    EXPECT_TRUE(driver::WaitUntil([] { return PortFree(25); }, Milliseconds(20000))) << "port 25 is still held";
    // The Start-menu group, the uninstall entry and the COM classes are gone.
    EXPECT_FALSE(Exists(ShellFolder(CSIDL_COMMON_PROGRAMS) + kGroupName)) << "the program group";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kApiClassKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kCordaneComClassKey));
    // The program files and trees are gone; the antivirus engine removed itself.
    for (const char* file : kRemovedFiles) EXPECT_FALSE(Exists(install_ + file)) << file;
    for (const char* tree : kRemovedTrees) EXPECT_FALSE(Exists(install_ + tree)) << tree;
    EXPECT_EQ(AvCalls(), (std::vector<std::string>{"setifaceInstallProgram", "setifaceUpdateFiles",
                                                   "setifaceUninstallProgram"}))
        << ReadFile(av_state_ + "setiface-calls.log");
    // What the administrator and the servers produced stays, and so do the
    // product key, the data sources and the setup program.
    EXPECT_EQ(KeptFileDigests(install_), kept_);
    EXPECT_TRUE(Exists(install_ + "setup.exe"));
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir"), install_);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Version"), "8.3.8");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, "Software\\ODBC\\ODBC.INI\\CordaneCalendar", "DBQ"),
              install_ + "calendar\\calendar.mdb");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, "Software\\ODBC\\ODBC.INI\\CordaneSpamChallenge", "DBQ"),
              install_ + "spam\\challenge.mdb");
  }

  std::vector<DWORD> servers_;
  std::map<std::string, std::string> kept_;
};

// Finish with every action cleared: only the reload command reaches a
// server, and it reaches the web and control server; the administration
// program is not opened.
TEST_F(InstallUninstallTest, FinishWithNoActionsOnlyReloadsTheControlServer) {
  ASSERT_NO_FATAL_FAILURE(WalkToDestination());
  ASSERT_NO_FATAL_FAILURE(InstallInto(install_));
  // A fresh installation offers the tutorial and the first-run wizard.
  EXPECT_TRUE(driver::IsChecked(Control("ShowTutorial")));
  EXPECT_TRUE(driver::IsChecked(Control("RunTutorial")));
  EXPECT_TRUE(driver::IsEnabled(Control("RunTutorial")));
  ASSERT_TRUE(WaitForState("TarnoControl", SERVICE_RUNNING));
  std::map<std::string, std::string> expected = CommandLogs();
  expected["control"] += kReloadCommand;

  ASSERT_NO_FATAL_FAILURE(FinishWithNoActions());
  std::map<std::string, std::string> logs;
  EXPECT_TRUE(driver::WaitUntil([&] {
    logs = CommandLogs();
    return logs == expected;
  })) << "command logs " << ::testing::PrintToString(logs) << "\nexpected " << ::testing::PrintToString(expected);
  EXPECT_EQ(driver::FindTopLevelWindow({"TConfigForm", "", 0, false}), nullptr) << "the administration opened";
}

TEST_F(InstallUninstallTest, UninstallEntryRemovesTheProgramKeepsTheDataAndALaterInstallationUpgrades) {
  ASSERT_NO_FATAL_FAILURE(InstallAndFinish());
  const std::string command_line = RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
  ASSERT_EQ(command_line, "\"" + install_ + "setup.exe\" /UNINSTALL");
  const std::vector<driver::MessageBoxInfo> shown = RunUninstallEntry(command_line);
  ASSERT_EQ(shown.size(), 1u) << (shown.empty() ? "no box" : driver::Describe(shown[0])) << "\nlog:\n" << run_.Log();
  ExpectFinalMessage(shown[0]);
  ExpectProgramRemovedAndDataKept();

  // Installed again: the wizard offers the kept folder as an upgrade.
  ASSERT_NO_FATAL_FAILURE(WalkToDestination());
  EXPECT_EQ(driver::Text(Control("PathEdit")), install_);
  EXPECT_EQ(driver::Text(Control("SetupKindLabel")).rfind("Upgrade Setup - ", 0), 0u)
      << driver::Text(Control("SetupKindLabel"));
  ASSERT_NO_FATAL_FAILURE(InstallInto(install_));
  EXPECT_FALSE(driver::IsChecked(Control("ShowTutorial")));
  EXPECT_FALSE(driver::IsChecked(Control("RunTutorial")));
  EXPECT_FALSE(driver::IsEnabled(Control("RunTutorial")));
  for (const char* name : kServices) EXPECT_TRUE(WaitForState(name, SERVICE_RUNNING)) << name;
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), command_line);
  ASSERT_NO_FATAL_FAILURE(FinishWithNoActions());
}

// Wine's own Add/Remove Programs tool, asked to remove the entry "Tarno",
// starts its command line; the setup it starts is answered like the user
// would, and the uninstaller ends once the setup did.
TEST_F(InstallUninstallTest, WinesAddRemoveProgramsRemovesTheProgramAndKeepsTheData) {
  ASSERT_NO_FATAL_FAILURE(InstallAndFinish());
  driver::Process uninstaller;
  ASSERT_TRUE(uninstaller.Start("uninstaller.exe --remove Tarno")) << uninstaller.error();
  HWND question = driver::WaitForMessageBox(0, "Tarno Mail Server Setup", Milliseconds(30000));
  ASSERT_NE(question, nullptr) << "no question; log:\n" << run_.Log();
  const DWORD setup = driver::ProcessIdOf(question);
  EXPECT_NE(setup, uninstaller.id()) << "the question is the uninstaller's own";
  // The setup the uninstaller started is this test's too: should the test
  // fail half-way, it must not go on removing services under the next test.
  struct EndSetup {
    DWORD id;
    ~EndSetup() {
      win32::ScopedHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
      if (process && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process.get(), 1);
        ::WaitForSingleObject(process.get(), 10000);
      }
    }
  } end_setup{setup};
  EXPECT_EQ(driver::MessageBoxText(question),
            "Are you sure to completely remove all files and components of this program?");
  driver::AnswerMessageBox(question, IDYES);
  // The next box is looked for once the question has gone.
  ASSERT_TRUE(driver::WaitForWindowGone(question)) << "the question stays";
  HWND done = driver::WaitForMessageBox(setup, "", Milliseconds(60000));
  ASSERT_NE(done, nullptr) << "no final message; log:\n" << run_.Log();
  ExpectFinalMessage(driver::ReadMessageBox(done));
  driver::AnswerMessageBox(done, IDOK);
  EXPECT_EQ(uninstaller.WaitForExit(Milliseconds(30000)), std::optional<DWORD>(0));
  EXPECT_TRUE(ProcessEnded(setup));
  ExpectProgramRemovedAndDataKept();
}

}  // namespace
}  // namespace e2e
