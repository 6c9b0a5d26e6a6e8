// Unattended runs of setup.exe ("/UNATTENDED /ANSWERS=<file>", "/UNINSTALL
// /UNATTENDED") with the sample distribution: the same end state as the
// wizard's installations and the uninstall, no window of the setup's process
// ever visible, the exit code of each outcome and the lines of the log
// ("/LOG=", in any position).
#include <string>
#include <vector>

#include "install_fixture.h"
#include "setup/setup_state.h"
#include "win32/win32_error.h"

namespace e2e {
namespace {

using driver::Milliseconds;

constexpr char kFullAnswers[] =
    "; a whole installation\r\n"
    "[Setup]\r\nDestination=%DEST%\r\nEdition=Professional\r\nConsoleMode=Advanced\r\n"
    "[Components]\r\nWebMail=yes\r\nAntiSpam=yes\r\nAntiVirus=yes\r\nInstantMessaging=yes\r\nGroupWare=yes\r\n"
    "[User]\r\nName=Ann Admin\r\nEmail=ann@example.test\r\nCompany=Example Ltd\r\nCountry=Norway\r\n"
    "[FirstRun]\r\nRun=yes\r\nHostName=mail.example.test\r\nDomain=example.test\r\nAdminUser=admin\r\n"
    "AdminPassword=secret\r\n";

std::string WithDestination(std::string text, const std::string& destination) {
  const size_t at = text.find("%DEST%");
  if (at != std::string::npos) text.replace(at, 6, destination);
  return text;
}

// What one watched run of the setup showed and ended with.
struct WatchedRun {
  std::optional<DWORD> exit_code;
  std::vector<std::string> windows;  // every visible top-level window of the process seen
  bool wizard_window_seen = false;   // the wizard's main window, visible or not, existed
};

// Watches `process` until it ends (bounded): every 20 ms, every visible
// top-level window of it is noted (and closed, so that the run can end).
WatchedRun Watch(driver::Process& process, Milliseconds timeout = kInstallTimeout) {
  WatchedRun run;
  driver::WaitUntil(
      [&] {
        for (HWND window : driver::FindTopLevelWindows({"", "", process.id(), true})) {
          run.windows.push_back(driver::Describe(window));
          if (driver::ClassName(window) == "#32770") driver::AnswerMessageBox(window, IDOK);
        }
        // An unattended run never makes the wizard's window, not even hidden.
        if (driver::FindTopLevelWindow({"TMainForm", "", process.id(), false}) != nullptr)
          run.wizard_window_seen = true;
        return !process.IsRunning();
      },
      timeout, Milliseconds(20));
  run.exit_code = process.WaitForExit(Milliseconds(5000));
  return run;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  return all;
}

class UnattendedTest : public InstallTest {
 protected:
  std::string Answers(const std::string& text) {
    const std::string path = run_.dist() + "answers.ini";
    WriteFile(path, text);
    return path;
  }

  // Runs the distribution's setup.exe with `arguments` and watches it.
  WatchedRun RunSetup(const std::string& arguments) {
    if (!run_.Start(arguments)) return {};
    return Watch(run_.process());
  }

  // Lines of the "/LOG=" file: each starts with the local time
  // "yyyy-mm-dd hh:mm:ss.mmm ".
  static void ExpectTimedLines(const std::string& log) {
    size_t start = 0, count = 0;
    while (start < log.size()) {
      size_t end = log.find("\r\n", start);
      ASSERT_NE(end, std::string::npos) << "a line without CR LF at " << start;
      const std::string line = log.substr(start, end - start);
      ASSERT_GT(line.size(), 24u) << line;
      for (size_t i : {4u, 7u}) EXPECT_EQ(line[i], '-') << line;
      EXPECT_EQ(line.substr(10, 1) + line.substr(13, 1) + line.substr(16, 1) + line.substr(19, 1) + line.substr(23, 1),
                " ::. ")
          << line;
      start = end + 2;
      ++count;
    }
    EXPECT_GT(count, 20u) << log;
  }

  static void ExpectLines(const std::string& log, const std::vector<std::string>& parts) {
    for (const std::string& part : parts) EXPECT_NE(log.find(part), std::string::npos) << part << "\nlog:\n" << log;
  }

  void ExpectNothingInstalled() {
    EXPECT_FALSE(win32::test_files::Exists(install_)) << install_;
    for (const char* name : kServices) EXPECT_FALSE(ServiceStatus(name)) << name << " exists";
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir"), "<missing>");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(win32::test_files::Exists(ShellFolder(CSIDL_COMMON_PROGRAMS) + kGroupName));
  }
};

// A whole installation from the answers file, then the uninstall through the
// installed setup.exe: the end states of the wizard's installation and of the
// interactive uninstall, and never a window.
TEST_F(UnattendedTest, FreshInstallationAndUninstallShowNoWindow) {
  const std::string answers = Answers(WithDestination(kFullAnswers, install_));
  const std::string log = run_.dist() + "unattended.log";
  WatchedRun run = RunSetup("/UNATTENDED /LOG=" + driver::Quote(log) + " /ANSWERS=" + driver::Quote(answers));
  EXPECT_EQ(run.exit_code, std::optional<DWORD>(setup::kExitOk)) << ReadFile(log);
  EXPECT_TRUE(run.windows.empty()) << Joined(run.windows);
  EXPECT_FALSE(run.wizard_window_seen);

  for (const char* file :
       {"smtp.exe", "pop3.exe", "control.exe", "im.exe", "cal.exe", "config.exe", "setup.exe", "readme.txt",
        "config\\cert.pem", "config\\settings.cfg", "spam\\challenge.mdb", "calendar\\calendar.mdb",
        "html\\mail\\index.html", "ldap\\slapd.conf", "avast\\setup\\setiface.dll"})
    EXPECT_TRUE(win32::test_files::Exists(install_ + file)) << file;
  for (const char* name : kServices) {
    EXPECT_TRUE(WaitForState(name, SERVICE_RUNNING)) << name << " is not running";
    EXPECT_EQ(StartType(name), static_cast<DWORD>(SERVICE_AUTO_START)) << name;
  }
  const std::string group = ShellFolder(CSIDL_COMMON_PROGRAMS) + kGroupName + "\\";
  EXPECT_EQ(FileNames(group, "*.lnk").size(), 9u) << ::testing::PrintToString(FileNames(group, "*.lnk"));
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir"), install_);
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Version"), "8.3.8");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Company"), "Example Ltd");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Country"), "Norway");
  for (const char* flag : {"NoInstallIM", "NoInstallWebMail", "NoInstallCalendar", "NoInstallAV", "NoInstallIAS"})
    EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, kProductKey, flag), std::optional<DWORD>(0)) << flag;
  const std::string quiet = "\"" + install_ + "setup.exe\" /UNINSTALL /UNATTENDED";
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), "\"" + install_ + "setup.exe\" /UNINSTALL");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString"), quiet);
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, "Software\\ODBC\\ODBC.INI\\CordaneCalendar", "DBQ"),
            install_ + "calendar\\calendar.mdb");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, "Software\\ODBC\\ODBC.INI\\CordaneSpamChallenge", "DBQ"),
            install_ + "spam\\challenge.mdb");
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kApiClassKey));
  std::vector<std::string> mails;
  EXPECT_TRUE(driver::WaitUntil([&] { return (mails = StoredMails(install_)).size() >= 2; })) << mails.size();

  const std::string text = ReadFile(log);
  ASSERT_NO_FATAL_FAILURE(ExpectTimedLines(text));
  ExpectLines(text, {" (unattended)", "unattended run: the answers file \"" + answers + "\" was read",
                     "progress: Extracting Files...", " files copied", "progress: step 12 of 12",
                     "progress: Installation Complete", "summary: installed " + install_ + ": ",
                     "summary: service TarnoSMTP: running, start type automatic",
                     "summary: program group " + group + ": 9 links", "QuietUninstallString=" + quiet,
                     "summary: data source CordaneCalendar: registered",
                     "unattended run: the first-run answers set up the primary domain example.test",
                     "the program ends with exit code 0"});
  // A fresh machine lacks the keys and values of an earlier installation:
  // reading them is no failure, and the log names none as one.
  const std::string not_found = win32::ErrorText(ERROR_FILE_NOT_FOUND);
  std::string failures;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    if (line.find(not_found) != std::string::npos) failures += line + "\n";
    start = end + 2;
  }
  EXPECT_EQ(failures, "");

  // The uninstall, "/LOG=" before the command: the command still decides.
  const std::string uninstall_log = run_.dist() + "uninstall.log";
  driver::Process uninstall;
  ASSERT_TRUE(uninstall.Start(driver::Quote(install_ + "setup.exe") + " /LOG=" + driver::Quote(uninstall_log) +
                                  " /UNINSTALL /UNATTENDED",
                              install_))
      << uninstall.error();
  WatchedRun removal = Watch(uninstall);
  EXPECT_EQ(removal.exit_code, std::optional<DWORD>(setup::kExitOk)) << ReadFile(uninstall_log);
  EXPECT_TRUE(removal.windows.empty()) << Joined(removal.windows);
  EXPECT_FALSE(removal.wizard_window_seen);
  for (const char* name : kServices) EXPECT_FALSE(ServiceStatus(name)) << name << " is still there";
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kApiClassKey));
  EXPECT_FALSE(win32::test_files::Exists(group));
  for (const char* gone : {"smtp.exe", "control.exe", "api.dll", "help", "html", "spam", "avast"})
    EXPECT_FALSE(win32::test_files::Exists(install_ + gone)) << gone;
  for (const char* kept : {"config\\settings.cfg", "calendar\\calendar.mdb", "setup.exe"})
    EXPECT_TRUE(win32::test_files::Exists(install_ + kept)) << kept;
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Version"), "8.3.8") << "the product key stays";
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\ODBC\\ODBC.INI\\CordaneCalendar"));
  ExpectLines(ReadFile(uninstall_log),
              {"unattended run: uninstalling " + install_, "uninstall: stopping the servers",
               "uninstall: every program file and folder was removed", "notice Information: Uninstall completed.",
               "the program ends with exit code 0"});
}

// An upgrade of a seeded installation whose servers run, answered with the
// destination alone: the administrator's data stays, the programs are
// replaced, the disabled server is disabled again, the gated commands arrive;
// the edition answer cannot change an existing installation's and says so.
class UnattendedUpgradeTest : public SeededInstallationTest {};

TEST_F(UnattendedUpgradeTest, UpgradeKeepsTheDataAndShowsNoWindow) {
  ASSERT_NO_FATAL_FAILURE(SeedInstallation("8.2.6"));
  const std::map<std::string, std::string> before = AdministratorFiles();
  const std::string answers = run_.dist() + "answers.ini";
  WriteFile(answers, "[Setup]\r\nDestination=" + install_ + "\r\nEdition=Lite\r\n");
  ASSERT_TRUE(run_.Start("/UNATTENDED /ANSWERS=" + driver::Quote(answers)));
  WatchedRun run = Watch(run_.process());
  EXPECT_EQ(run.exit_code, std::optional<DWORD>(setup::kExitOk)) << run_.Log();
  EXPECT_TRUE(run.windows.empty()) << Joined(run.windows);
  EXPECT_FALSE(run.wizard_window_seen);

  EXPECT_EQ(AdministratorFiles(), before);
  const std::string suite = driver::ProgramFolder() + "suite\\";
  for (const char* program : {"smtp.exe", "pop3.exe", "control.exe", "im.exe", "cal.exe"})
    EXPECT_TRUE(ReadFile(install_ + program) == ReadFile(suite + program)) << program << " was not replaced";
  EXPECT_EQ(StartType("TarnoPOP3"), static_cast<DWORD>(SERVICE_DISABLED));
  for (const char* name : {"TarnoSMTP", "TarnoControl", "TarnoIM", "TarnoCalendar"}) {
    EXPECT_TRUE(WaitForState(name, SERVICE_RUNNING)) << name << " is not running";
    EXPECT_EQ(StartType(name), static_cast<DWORD>(SERVICE_AUTO_START)) << name;
  }
  EXPECT_EQ(ReadFile(install_ + "smtp-commands.log"), "pipe 4096 1280 2 9 0\r\npipe 4096 1280 2 10 0\r\n");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Version"), "8.3.8");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Name"), "Ann Admin") << "the user details found stay";
  const std::string log = run_.Log();
  for (const char* part : {"the answers Edition and ConsoleMode are not used", "summary: upgraded ",
                           "the program ends with exit code 0"})
    EXPECT_NE(log.find(part), std::string::npos) << part << "\nlog:\n" << log;
}

// A dry run on a new machine: the plan in the log, in the order it would be
// applied, and nothing on the machine changed.
TEST_F(UnattendedTest, DryRunOnANewMachineChangesNothing) {
  const std::string answers = Answers(WithDestination(kFullAnswers, install_));
  const std::string log = run_.dist() + "dryrun.log";
  WatchedRun run =
      RunSetup("/DRYRUN /UNATTENDED /LOG=" + driver::Quote(log) + " /ANSWERS=" + driver::Quote(answers));
  EXPECT_EQ(run.exit_code, std::optional<DWORD>(setup::kExitOk)) << ReadFile(log);
  EXPECT_TRUE(run.windows.empty()) << Joined(run.windows);
  EXPECT_FALSE(run.wizard_window_seen);
  ExpectNothingInstalled();
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\ODBC\\ODBC.INI\\CordaneCalendar"));

  const std::string text = ReadFile(log);
  const std::vector<std::string> in_order = {
      "dry run: a new installation into " + install_,
      "plan: registry value NoInstallIM = 0 under the product key",
      "plan: check container " + run_.dist() + "setup.Dat",
      "plan: stop the running servers",
      "plan: create the folder " + install_ + " (one level)",
      "plan: place file " + install_ + "smtp.exe from ",
      "plan: place file " + install_ + "im.exe from ",
      "plan: data source CordaneCalendar for " + install_ + "calendar\\calendar.mdb",
      "plan: unpack " + run_.dist() + "setupldap.dat into " + install_ + "ldap\\ (the existing files of the keep list stay)",
      "plan: prepare the demo configuration in " + install_ + "config\\",
      "plan: link ",
      "plan: uninstall entry UninstallString = \"" + install_ + "setup.exe\" /UNINSTALL",
      "plan: service TarnoSMTP (" + install_ + "smtp.exe)",
      "plan: register COM server " + install_ + "api.dll",
      "plan: send the installation report and the demonstration message",
      "plan: progress step 12 of 12",
      "dry run: the plan is complete; nothing was changed",
      "the program ends with exit code 0"};
  size_t at = 0;
  for (const std::string& part : in_order) {
    const size_t found = text.find(part, at);
    ASSERT_NE(found, std::string::npos) << "not found after offset " << at << ": " << part << "\nlog:\n" << text;
    at = found + part.size();
  }
  EXPECT_EQ(text.find("plan: server command"), std::string::npos) << "a new installation sends no command";
}

// A dry run over an installed 8.2.6 whose servers run: every file byte for
// byte as it was, the servers still running, nothing registered; the plan
// lists the upgrade's commands and the removal of the old antivirus engine.
TEST_F(UnattendedUpgradeTest, DryRunOverARunningInstallationChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(SeedInstallation("8.2.6"));
  const std::map<std::string, std::string> before = win32::test_files::FileContentsBelow(install_);
  const std::string answers = run_.dist() + "answers.ini";
  WriteFile(answers, "[Setup]\r\nDestination=" + install_ + "\r\n");
  ASSERT_TRUE(run_.Start("/UNATTENDED /DRYRUN /ANSWERS=" + driver::Quote(answers)));
  WatchedRun run = Watch(run_.process());
  EXPECT_EQ(run.exit_code, std::optional<DWORD>(setup::kExitOk)) << run_.Log();
  EXPECT_TRUE(run.windows.empty()) << Joined(run.windows);
  EXPECT_FALSE(run.wizard_window_seen);

  EXPECT_TRUE(win32::test_files::FileContentsBelow(install_) == before) << "a file of the installation changed";
  ExpectServersAsSeeded();
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Version"), "8.2.6");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_EQ(ReadFile(install_ + "smtp-commands.log"), "") << "no command reached a server";
  const std::string log = run_.Log();
  for (const std::string& part : std::vector<std::string>{
        "dry run: an upgrade of " + install_ + " from 8.2.6",
        "plan: remember the services' start types; a disabled service is automatic for the run",
        "plan: place file " + install_ + "config\\cert.pem from ",
        "plan: delete " + install_ + "spam\\rules\\1*.*",
        "plan: put the remembered start types back",
        "plan: server command to TarnoSMTP: message 1280, 2, 9",
        "plan: server command to TarnoSMTP: message 1280, 2, 10",
        "plan: registry value UpgradingFrom cleared",
        "the program ends with exit code 0"})
    EXPECT_NE(log.find(part), std::string::npos) << part << "\nlog:\n" << log;
  EXPECT_EQ(log.find("plan: prepare the demo configuration"), std::string::npos) << "an upgrade keeps its configuration";
}

// A damaged container ends the dry run with the damaged-distribution code.
TEST_F(UnattendedTest, DryRunWithADamagedContainerEndsWithItsCode) {
  const std::string web = run_.dist() + "setupweb.dat";
  const std::string bytes = ReadFile(web);
  WriteFile(web, bytes.substr(0, bytes.size() / 2));
  WatchedRun run = RunSetup("/UNATTENDED /DRYRUN /ANSWERS=" + driver::Quote(Answers(WithDestination(kFullAnswers, install_))));
  EXPECT_EQ(run.exit_code, std::optional<DWORD>(setup::kExitDamagedDistribution)) << run_.Log();
  EXPECT_NE(run_.Log().find("dry run: the distribution is damaged (" + web + ")"), std::string::npos) << run_.Log();
  ExpectNothingInstalled();
}

// Answers that cannot be used end the run before anything changes, with the
// bad-answers exit code and the reason in the log.
struct BadAnswersCase {
  const char* name;
  const char* answers;    // nullptr: no answers file is written
  const char* arguments;  // %ANSWERS% stands for the answers file
  const char* logged;
};

class BadAnswersTest : public UnattendedTest, public ::testing::WithParamInterface<BadAnswersCase> {};

TEST_P(BadAnswersTest, EndsBeforeAnyChange) {
  const BadAnswersCase& c = GetParam();
  const std::string path = run_.dist() + "answers.ini";
  if (c.answers != nullptr) WriteFile(path, WithDestination(c.answers, install_));
  std::string arguments = c.arguments;
  const size_t at = arguments.find("%ANSWERS%");
  if (at != std::string::npos) arguments.replace(at, 9, driver::Quote(path));
  WatchedRun run = RunSetup(arguments);
  EXPECT_EQ(run.exit_code, std::optional<DWORD>(setup::kExitBadAnswers)) << run_.Log();
  EXPECT_TRUE(run.windows.empty()) << Joined(run.windows);
  EXPECT_FALSE(run.wizard_window_seen);
  const std::string log = run_.Log();
  EXPECT_NE(log.find(c.logged), std::string::npos) << c.logged << "\nlog:\n" << log;
  EXPECT_NE(log.find("the program ends with exit code 7"), std::string::npos) << log;
  ExpectNothingInstalled();
}

INSTANTIATE_TEST_SUITE_P(
    Answers, BadAnswersTest,
    ::testing::Values(
        BadAnswersCase{"UnknownKey", "[Setup]\r\nDestination=%DEST%\r\n[User]\r\nName=Ann\r\nPhone=1\r\n",
                       "/UNATTENDED /ANSWERS=%ANSWERS%", "line 5: unknown key \"Phone\" in [User]"},
        BadAnswersCase{"UnknownSection", "[Setup]\r\nDestination=%DEST%\r\n[Network]\r\n",
                       "/ANSWERS=%ANSWERS% /UNATTENDED", "line 3: unknown section [Network]"},
        BadAnswersCase{"BadEdition", "[Setup]\r\nDestination=%DEST%\r\nEdition=Ultimate\r\n",
                       "/UNATTENDED /ANSWERS=%ANSWERS%", "bad value \"Ultimate\" for Edition"},
        BadAnswersCase{"MissingDestination", "[User]\r\nName=Ann Admin\r\nEmail=ann@example.test\r\n",
                       "/UNATTENDED /ANSWERS=%ANSWERS%", "the answer Destination in [Setup] is missing"},
        BadAnswersCase{"IncompleteUserDetails", "[Setup]\r\nDestination=%DEST%\r\n[User]\r\nName=Ann\r\nEmail=ann\r\n",
                       "/UNATTENDED /ANSWERS=%ANSWERS%", "the user details are incomplete"},
        BadAnswersCase{"MissingFile", nullptr, "/UNATTENDED /ANSWERS=%ANSWERS%", "cannot be read: "},
        BadAnswersCase{"NoAnswersSwitch", nullptr, "/UNATTENDED", "an unattended installation needs /ANSWERS=<file>"},
        BadAnswersCase{"UnknownCommand", nullptr, "/UNATTENDED /HELP", "unknown command \"/HELP\""},
        BadAnswersCase{"DryRunOfAnUninstall", nullptr, "/UNINSTALL /UNATTENDED /DRYRUN",
                       "/DRYRUN plans an unattended installation"}),
    [](const ::testing::TestParamInfo<BadAnswersCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
