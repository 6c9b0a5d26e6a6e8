// Start-up as the administrator meets it: setup.exe started from a
// distribution folder under Wine, its windows and message boxes read and
// answered through the window driver.
#include <gtest/gtest.h>

#include "serverconf/server_settings.h"
#include "setup_fixture.h"
#include "support/config_store_test_support.h"

namespace e2e {
namespace {

using driver::Milliseconds;

constexpr char kProductKey[] = "Software\\Cordane\\Tarno Mail Server";
constexpr char kWebMailKey[] = "Software\\Cordane\\Cordane Web Mail";
constexpr char kCompanyKey[] = "Software\\Cordane";
constexpr char kWindowsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";

class StartupTest : public ::testing::Test {
 protected:
  SavedKey company_{HKEY_LOCAL_MACHINE, kCompanyKey};
  SetupRun run_;

  // Starts the setup with `arguments` and returns its visible main window.
  HWND StartWizard(const std::string& arguments = "/SILENT") {
    if (!run_.Start(arguments)) return nullptr;
    HWND main = run_.WaitForMainWindow();
    EXPECT_NE(main, nullptr) << "no main window \"" << kMainCaption << "\" for setup.exe " << arguments
                             << "\nlog:\n" << run_.Log();
    return main;
  }

  std::string TextOf(HWND main, const std::string& name) { return driver::Text(run_.Control(main, name)); }
  bool Checked(HWND main, const std::string& name) { return driver::IsChecked(run_.Control(main, name)); }
  bool Enabled(HWND main, const std::string& name) { return driver::IsEnabled(run_.Control(main, name)); }

  // The upgrade shows the previous edition and console mode, and the user
  // may change neither.
  void ExpectLockedChoices(HWND main, const std::string& edition_radio, const std::string& mode_radio) {
    for (const char* radio : {"TarnoProRadio", "TarnoStdRadio", "TarnoLiteRadio"})
      EXPECT_EQ(Checked(main, radio), radio == edition_radio) << radio;
    for (const char* radio : {"AdvancedMode", "BasicMode"})
      EXPECT_EQ(Checked(main, radio), radio == mode_radio) << radio;
    for (const char* radio : {"TarnoProRadio", "TarnoStdRadio", "TarnoLiteRadio", "AdvancedMode", "BasicMode"})
      EXPECT_FALSE(Enabled(main, radio)) << radio << " must be locked on an upgrade";
  }
};

// A settings.cfg of an installed server, written byte by byte: the record
// with `edition` at offset 255 and `console` at 21428, everything else zero.
std::string SettingsFile(uint8_t edition, const std::string& console) {
  using namespace serverconf::testing;
  std::string plain(serverconf::kServerSettingsSize, '\0');
  plain[255] = char(edition);
  PutStr(plain, 21428, console);
  return Scrambled(plain);
}

TEST_F(StartupTest, UnknownFirstArgumentEndsAtOnceWithoutAWindow) {
  for (const char* arguments : {"/HELP", "/HELP /SILENT", "-silent", "/SILENTLY"}) {
    SetupRun run;
    ASSERT_TRUE(run.Start(arguments));
    std::optional<DWORD> code = run.process().WaitForExit(Milliseconds(15000));
    ASSERT_TRUE(code.has_value()) << "setup.exe " << arguments << " did not end";
    EXPECT_EQ(*code, 0u) << "setup.exe " << arguments;
    EXPECT_EQ(driver::FindTopLevelWindow({"TMainForm", "", run.process().id(), true}), nullptr);
    EXPECT_EQ(run.Log().find("start-up: PreviousInstallDir="), std::string::npos)
        << "the wizard's detection ran for " << arguments;
  }
}

TEST_F(StartupTest, MissingSetupDatIsAFatalErrorBeforeAnyQuestion) {
  ASSERT_TRUE(::DeleteFileA((run_.dist() + "setup.Dat").c_str()));
  // A product key that would be read if start-up went past the check.
  WriteString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", run_.dist());
  ASSERT_TRUE(run_.Start(""));  // without /SILENT: the install question would come first if misordered
  HWND box = driver::WaitForMessageBox(run_.process().id());
  ASSERT_NE(box, nullptr) << "no message box; log:\n" << run_.Log();
  driver::MessageBoxInfo info = driver::ReadMessageBox(box);
  EXPECT_EQ(info.caption, "Error") << driver::Describe(info);
  EXPECT_EQ(info.text, "Setup could not find the required files.") << driver::Describe(info);
  EXPECT_EQ(info.icon, driver::MessageBoxIcon::kError) << driver::Describe(info);
  EXPECT_EQ(info.ButtonIds(), std::vector<int>{IDOK}) << driver::Describe(info);
  EXPECT_EQ(driver::FindTopLevelWindow({"TMainForm", "", run_.process().id(), true}), nullptr)
      << "the main window is visible behind the error";
  driver::AnswerMessageBox(box, IDOK);
  std::optional<DWORD> code = run_.process().WaitForExit();
  ASSERT_TRUE(code.has_value());
  EXPECT_NE(*code, 0u) << "a fatal error must end with a non-zero exit code";
  EXPECT_EQ(run_.Detected("PreviousInstallDir"), "");
}

TEST_F(StartupTest, InstallQuestionNoEndsTheProgram) {
  ASSERT_TRUE(run_.Start(""));
  HWND box = driver::WaitForMessageBox(run_.process().id());
  ASSERT_NE(box, nullptr) << "no install question; log:\n" << run_.Log();
  driver::MessageBoxInfo info = driver::ReadMessageBox(box);
  EXPECT_EQ(info.caption, "Tarno Mail Server Setup") << driver::Describe(info);
  EXPECT_EQ(info.text, "This will install Tarno Mail Server 8.3.8. Do you wish to continue?") << driver::Describe(info);
  EXPECT_EQ(info.icon, driver::MessageBoxIcon::kQuestion) << driver::Describe(info);
  EXPECT_EQ(info.ButtonIds(), (std::vector<int>{IDYES, IDNO})) << driver::Describe(info);
  EXPECT_EQ(driver::FindTopLevelWindow({"TMainForm", "", run_.process().id(), true}), nullptr);
  driver::AnswerMessageBox(box, IDNO);
  std::optional<DWORD> code = run_.process().WaitForExit();
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
}

TEST_F(StartupTest, InstallQuestionYesShowsTheWizard) {
  ASSERT_TRUE(run_.Start(""));
  HWND box = driver::WaitForMessageBox(run_.process().id());
  ASSERT_NE(box, nullptr);
  driver::AnswerMessageBox(box, IDYES);
  HWND main = run_.WaitForMainWindow();
  ASSERT_NE(main, nullptr) << run_.Log();
  EXPECT_EQ(driver::Text(main), kMainCaption);
  EXPECT_EQ(TextOf(main, "PageCaption"), "Welcome to the Tarno Mail Server Setup Wizard");
  EXPECT_EQ(TextOf(main, "NextButton"), "&Next >");
  EXPECT_TRUE(Enabled(main, "NextButton"));
  EXPECT_FALSE(driver::IsVisible(run_.Control(main, "BackButton")));
  EXPECT_TRUE(driver::IsVisible(run_.Control(main, "WelcomePanel")));
  EXPECT_FALSE(driver::IsVisible(run_.Control(main, "LicensePanel")));
}

TEST_F(StartupTest, SilentInAnyCaseSkipsTheQuestion) {
  for (const char* arguments : {"/silent", "/Silent", "/SILENT", "/SILENT /UNINSTALL"}) {
    SetupRun run;
    ASSERT_TRUE(run.Start(arguments));
    HWND main = run.WaitForMainWindow();
    EXPECT_NE(main, nullptr) << "setup.exe " << arguments << " showed no wizard; log:\n" << run.Log();
    EXPECT_EQ(driver::WaitForMessageBox(run.process().id(), "", Milliseconds(200)), nullptr)
        << "a message box came up for " << arguments;
  }
}

TEST_F(StartupTest, FreshInstallationOffersEveryChoice) {
  WriteFile(run_.dist() + "License.txt", "First line\r\nSecond line\nThird line");
  HWND main = StartWizard();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(TextOf(main, "PathEdit"), "C:\\Program Files\\Tarno\\");
  EXPECT_EQ(TextOf(main, "SetupKindLabel"), "");
  EXPECT_EQ(TextOf(main, "LicenseMemo"), "First line\r\nSecond line\r\nThird line");
  EXPECT_TRUE(Checked(main, "TarnoProRadio"));
  EXPECT_FALSE(Checked(main, "TarnoStdRadio"));
  EXPECT_FALSE(Checked(main, "TarnoLiteRadio"));
  EXPECT_TRUE(Checked(main, "AdvancedMode"));
  EXPECT_FALSE(Checked(main, "BasicMode"));
  for (const char* radio : {"TarnoProRadio", "TarnoStdRadio", "TarnoLiteRadio", "AdvancedMode", "BasicMode"})
    EXPECT_TRUE(Enabled(main, radio)) << radio;
  EXPECT_EQ(TextOf(main, "HintPanel").substr(0, 43), "Professional version is most advanced mail ");
  EXPECT_EQ(TextOf(main, "ConsoleMemo"), "All options will be visible. Expert's mode.");
  for (const char* edit : {"NameEdit", "EmailEdit", "CompanyEdit", "CountryEdit"})
    EXPECT_EQ(TextOf(main, edit), "") << edit;
  EXPECT_EQ(run_.Detected("EditionSelectable"), "1");
  EXPECT_EQ(run_.Detected("PreviousOlderThan827"), "0");
  EXPECT_EQ(run_.Detected("OldWebMailDetected"), "0");
}

TEST_F(StartupTest, DistributionInfoGivesTheProductListAddress) {
  EXPECT_NE(StartWizard(), nullptr);
  EXPECT_EQ(run_.Detected("ProductsXmlUrl"), "\"\"") << "without info.xml there is no address";
  // One setup at a time: the first ends before the next starts.
  ASSERT_TRUE(run_.process().Terminate());

  SetupRun run;
  WriteFile(run.dist() + "info.xml",
            "<?xml version=\"1.0\"?>\r\n<INFO><OTHER>x</OTHER>"
            "<PRODUCTSXML>http://example.com/list.xml?a=1&amp;b=2</PRODUCTSXML></INFO>");
  ASSERT_TRUE(run.Start("/SILENT"));
  ASSERT_NE(run.WaitForMainWindow(), nullptr) << run.Log();
  EXPECT_EQ(run.Detected("ProductsXmlUrl"), "\"http://example.com/list.xml?a=1&b=2\"");
}

TEST_F(StartupTest, DefaultDestinationFollowsProgramFilesDir) {
  SavedValue program_files(HKEY_LOCAL_MACHINE, kWindowsKey, "ProgramFilesDir");
  {
    DeleteValue(HKEY_LOCAL_MACHINE, kWindowsKey, "ProgramFilesDir");
    SetupRun run;
    ASSERT_TRUE(run.Start("/SILENT"));
    HWND main = run.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(driver::Text(run.Control(main, "PathEdit")), "C:\\Program Files\\Tarno\\");
  }
  const std::pair<const char*, const char*> cases[] = {
      {"D:\\Apps", "D:\\Apps\\Tarno\\"}, {"D:\\Apps\\", "D:\\Apps\\Tarno\\"}, {"D:/Apps/", "D:/Apps/Tarno\\"}};
  for (const auto& [folder, expected] : cases) {
    WriteString(HKEY_LOCAL_MACHINE, kWindowsKey, "ProgramFilesDir", folder);
    SetupRun run;
    ASSERT_TRUE(run.Start("/SILENT"));
    HWND main = run.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(driver::Text(run.Control(main, "PathEdit")), expected) << "ProgramFilesDir " << folder;
  }
}

struct UpgradeCase {
  const char* version;
  const char* library;  // a storage library in the installation folder, or ""
  const char* kind;     // SetupKindLabel
  const char* radio;    // the edition radio selected
  const char* redetected;
  const char* older_than_827;
};

void PrintTo(const UpgradeCase& c, std::ostream* out) {
  *out << "version \"" << c.version << "\" with \"" << c.library << "\"";
}

class UpgradeDetectionTest : public StartupTest, public ::testing::WithParamInterface<UpgradeCase> {};

// The installation folder holds no configuration, so its edition reads as
// the record's default, Professional; versions 3.x and unversioned
// installations derive it from their storage libraries instead (Standard
// without one).
TEST_P(UpgradeDetectionTest, ShowsThePreviousInstallationLocked) {
  const UpgradeCase& c = GetParam();
  std::string folder = TempFolder("tarno-installed");
  if (*c.library) WriteFile(folder + c.library, "library");
  WriteString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", folder);
  if (*c.version) WriteString(HKEY_LOCAL_MACHINE, kProductKey, "Version", c.version);
  WriteString(HKEY_LOCAL_MACHINE, kProductKey, "Name", "Ann Admin");
  WriteString(HKEY_LOCAL_MACHINE, kProductKey, "Email", "ann@example.com");
  WriteString(HKEY_LOCAL_MACHINE, kProductKey, "Company", "Example Ltd");
  WriteString(HKEY_LOCAL_MACHINE, kProductKey, "Country", "Iceland");
  WriteDword(HKEY_LOCAL_MACHINE, kProductKey, "NoInstallIM", 1);
  WriteDword(HKEY_LOCAL_MACHINE, kProductKey, "NoInstallAV", 7);
  WriteDword(HKEY_LOCAL_MACHINE, kProductKey, "NoInstallIAS", 0);

  HWND main = StartWizard();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(TextOf(main, "PathEdit"), folder);
  EXPECT_EQ(TextOf(main, "SetupKindLabel"), c.kind);
  // No configuration names a console file, so the mode stays as designed.
  ExpectLockedChoices(main, c.radio, "AdvancedMode");
  EXPECT_EQ(TextOf(main, "NameEdit"), "Ann Admin");
  EXPECT_EQ(TextOf(main, "EmailEdit"), "ann@example.com");
  EXPECT_EQ(TextOf(main, "CompanyEdit"), "Example Ltd");
  EXPECT_EQ(TextOf(main, "CountryEdit"), "Iceland");
  EXPECT_EQ(run_.Detected("EditionSelectable"), "0");
  EXPECT_EQ(run_.Detected("EditionRedetected"), c.redetected);
  EXPECT_EQ(run_.Detected("PreviousOlderThan827"), c.older_than_827);
  EXPECT_EQ(run_.Detected("NoInstallIM"), "1");
  EXPECT_EQ(run_.Detected("NoInstallAV"), "1");
  EXPECT_EQ(run_.Detected("NoInstallIAS"), "0");
  EXPECT_EQ(run_.Detected("NoInstallWebMail"), "0");
  EXPECT_EQ(run_.Detected("NoInstallCalendar"), "0");
  RemoveTree(folder);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, UpgradeDetectionTest,
    ::testing::Values(UpgradeCase{"3.9.1", "db.dll", "Upgrade Setup - Professional", "TarnoProRadio", "1", "1"},
                      UpgradeCase{"3.9.1", "adolibrary.dll", "Upgrade Setup - Professional", "TarnoProRadio", "1", "1"},
                      UpgradeCase{"3.9.1", "", "Upgrade Setup - Standard", "TarnoStdRadio", "1", "1"},
                      UpgradeCase{"", "db.dll", "Upgrade Setup - Professional", "TarnoProRadio", "1", "0"},
                      UpgradeCase{"30.1.0", "", "Upgrade Setup - Professional", "TarnoProRadio", "0", "0"},
                      UpgradeCase{"8.2.6", "", "Upgrade Setup - Professional", "TarnoProRadio", "0", "1"},
                      UpgradeCase{"8.2.7", "", "Upgrade Setup - Professional", "TarnoProRadio", "0", "0"},
                      UpgradeCase{"8.3", "", "Upgrade Setup - Professional", "TarnoProRadio", "0", "0"},
                      UpgradeCase{"8.2.7-1", "", "Upgrade Setup - Professional", "TarnoProRadio", "0", "0"}));

struct ConfigurationCase {
  uint8_t edition;
  const char* console;
  const char* kind;   // SetupKindLabel
  const char* radio;  // the edition radio selected
  const char* mode;   // the console mode radio selected
};

void PrintTo(const ConfigurationCase& c, std::ostream* out) {
  *out << "edition " << int(c.edition) << " console \"" << c.console << "\"";
}

class UpgradeConfigurationTest : public StartupTest, public ::testing::WithParamInterface<ConfigurationCase> {};

// A current installation (no edition re-detection) shows the edition and the
// console mode its configuration holds. The label names Standard for every
// edition but Professional, Lite included; an edition or console file the
// setup does not know leaves the radios as designed.
TEST_P(UpgradeConfigurationTest, ShowsTheConfiguredEditionAndMode) {
  const ConfigurationCase& c = GetParam();
  std::string folder = TempFolder("tarno-installed");
  ASSERT_TRUE(::CreateDirectoryA((folder + "config").c_str(), nullptr));
  WriteFile(folder + "config\\settings.cfg", SettingsFile(c.edition, c.console));
  WriteString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", folder);
  WriteString(HKEY_LOCAL_MACHINE, kProductKey, "Version", "8.3.0");

  HWND main = StartWizard();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(TextOf(main, "SetupKindLabel"), c.kind);
  ExpectLockedChoices(main, c.radio, c.mode);
  EXPECT_EQ(run_.Detected("Edition"), std::to_string(c.edition));
  EXPECT_EQ(run_.Detected("EditionRedetected"), "0");
  RemoveTree(folder);
}

INSTANTIATE_TEST_SUITE_P(
    Configurations, UpgradeConfigurationTest,
    ::testing::Values(
        ConfigurationCase{1, "basic.xml", "Upgrade Setup - Professional", "TarnoProRadio", "BasicMode"},
        ConfigurationCase{1, "advanced.xml", "Upgrade Setup - Professional", "TarnoProRadio", "AdvancedMode"},
        ConfigurationCase{0, "basic.xml", "Upgrade Setup - Standard", "TarnoStdRadio", "BasicMode"},
        ConfigurationCase{0, "advanced.xml", "Upgrade Setup - Standard", "TarnoStdRadio", "AdvancedMode"},
        ConfigurationCase{2, "basic.xml", "Upgrade Setup - Standard", "TarnoLiteRadio", "BasicMode"},
        ConfigurationCase{2, "advanced.xml", "Upgrade Setup - Standard", "TarnoLiteRadio", "AdvancedMode"},
        ConfigurationCase{5, "Basic.xml", "Upgrade Setup - Standard", "TarnoProRadio", "AdvancedMode"}));

// An 8.x installation whose configuration folder has no settings.cfg, or
// one that ends before the edition, shows the default edition, Professional
// (and the log's detection line names it).
TEST_F(StartupTest, MissingOrShortSettingsShowTheDefaultEdition) {
  using namespace serverconf::testing;
  std::string short_file(200, '\0');
  PutStr(short_file, 0, "mail.example.org");
  for (const bool present : {false, true}) {
    SCOPED_TRACE(present ? "settings.cfg of 200 bytes" : "no settings.cfg");
    std::string folder = TempFolder("tarno-installed");
    ASSERT_TRUE(::CreateDirectoryA((folder + "config").c_str(), nullptr));
    if (present) WriteFile(folder + "config\\settings.cfg", Scrambled(short_file));
    WriteString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", folder);
    WriteString(HKEY_LOCAL_MACHINE, kProductKey, "Version", "8.3.0");

    SetupRun run;
    ASSERT_TRUE(run.Start("/SILENT"));
    HWND main = run.WaitForMainWindow();
    ASSERT_NE(main, nullptr) << run.Log();
    EXPECT_EQ(driver::Text(run.Control(main, "SetupKindLabel")), "Upgrade Setup - Professional");
    for (const char* radio : {"TarnoProRadio", "TarnoStdRadio", "TarnoLiteRadio"})
      EXPECT_EQ(driver::IsChecked(run.Control(main, radio)), std::string(radio) == "TarnoProRadio") << radio;
    EXPECT_EQ(run.Detected("Edition"), "1");
    EXPECT_EQ(run.Detected("EditionRedetected"), "0");
    run.process().Terminate();
    RemoveTree(folder);
  }
}

TEST_F(StartupTest, OldWebMailIsDetectedOnlyWithItsFolder) {
  std::string folder = TempFolder("tarno-webmail");
  struct Case {
    const char* version;
    std::string folder;
    const char* detected;
  } cases[] = {
      {"4.2.1", folder, "1"},
      {"", folder, "1"},
      {"4.2.2", folder, "0"},
      {"5.0", folder, "0"},
      {"4.2.1", folder + "missing\\", "0"},
      {"4.2.1", "", "0"},
  };
  for (const Case& c : cases) {
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kWebMailKey);
    WriteString(HKEY_LOCAL_MACHINE, kWebMailKey, "Version", c.version);
    WriteString(HKEY_LOCAL_MACHINE, kWebMailKey, "InstallDir", c.folder);
    SetupRun run;
    ASSERT_TRUE(run.Start("/SILENT"));
    ASSERT_NE(run.WaitForMainWindow(), nullptr) << run.Log();
    EXPECT_EQ(run.Detected("OldWebMailDetected"), c.detected)
        << "web mail version \"" << c.version << "\" in \"" << c.folder << "\"";
  }
  RemoveTree(folder);
}

TEST_F(StartupTest, CommandModesEndWithoutTheWizard) {
  // The uninstall question, declined.
  ASSERT_TRUE(run_.Start("/uninstall"));
  HWND box = driver::WaitForMessageBox(run_.process().id());
  ASSERT_NE(box, nullptr) << run_.Log();
  driver::MessageBoxInfo info = driver::ReadMessageBox(box);
  EXPECT_EQ(info.caption, "Tarno Mail Server Setup") << driver::Describe(info);
  EXPECT_EQ(info.text, "Are you sure to completely remove all files and components of this program?");
  EXPECT_EQ(info.ButtonIds(), (std::vector<int>{IDYES, IDNO})) << driver::Describe(info);
  EXPECT_EQ(driver::FindTopLevelWindow({"TMainForm", "", run_.process().id(), true}), nullptr);
  driver::AnswerMessageBox(box, IDNO);
  std::optional<DWORD> code = run_.process().WaitForExit();
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
  EXPECT_EQ(run_.Detected("PreviousInstallDir"), "") << "the wizard's detection ran in command mode";
}

// The logon switches open the installed server's web pages through the
// shell. The browser is replaced for the test by the shell's handler of
// http addresses: url_recorder.exe, which writes each address it is opened
// with to a file of the test's own. The handler is registered in the
// machine's class table: Wine reads HKEY_CLASSES_ROOT from
// HKLM\Software\Classes only and passes over a per-user class, where
// Windows would let a per-user http handler take precedence.
class LogonTest : public StartupTest {
 protected:
  static constexpr char kHttpClass[] = "Software\\Classes\\http";

  void SetUp() override {
    const std::string command = driver::Quote(driver::ProgramFolder() + "url_recorder.exe") + " " +
                                driver::Quote(record_) + " \"%1\"";
    WriteString(kHandlerRoot, kHttpClass, "", "URL:HyperText Transfer Protocol");
    WriteString(kHandlerRoot, kHttpClass, "URL Protocol", "");
    WriteString(kHandlerRoot, std::string(kHttpClass) + "\\shell\\open\\command", "", command);
  }
  void TearDown() override { RemoveTree(folder_); }

  // An installation folder whose configuration has the web console on
  // `port`, the bind address list `bind` and the "use the first bind
  // address" switch `use_bind`.
  std::string Installation(uint16_t port, const std::string& bind, bool use_bind) {
    using namespace serverconf::testing;
    std::string plain(serverconf::kServerSettingsSize, '\0');
    PutLe(plain, 1036, 2, port);
    PutStr(plain, 1176, bind);
    plain[1474] = use_bind ? 1 : 0;
    const std::string folder = folder_ + "installed-" + std::to_string(++installations_);
    EXPECT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    EXPECT_TRUE(::CreateDirectoryA((folder + "\\config").c_str(), nullptr)) << folder;
    WriteFile(folder + "\\config\\settings.cfg", Scrambled(plain));
    return folder;  // without a trailing backslash, as a quoted switch value must be
  }

  // Runs setup.exe with `arguments`, expects exit code 0 and no window, and
  // returns the addresses recorded once `count` lines have arrived (or what
  // arrived within the wait).
  std::string RunAndRecord(const std::string& arguments, size_t count) {
    SetupRun run;
    if (!run.Start(arguments)) return {};
    std::optional<DWORD> code = run.process().WaitForExit(Milliseconds(15000));
    EXPECT_TRUE(code.has_value()) << "setup.exe " << arguments << " did not end";
    EXPECT_EQ(code.value_or(0xdead), 0u) << "setup.exe " << arguments;
    EXPECT_EQ(driver::FindTopLevelWindow({"TMainForm", "", run.process().id(), true}), nullptr);
    auto lines = [&] {
      const std::string text = ReadFile(record_);
      size_t n = 0;
      for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++n;
      return n;
    };
    EXPECT_TRUE(driver::WaitUntil([&] { return lines() >= count; }, Milliseconds(20000)))
        << "the shell did not open the address for setup.exe " << arguments << "; recorded: \"" << ReadFile(record_)
        << "\"\nlog:\n" << run.Log();
    return ReadFile(record_);
  }

  static inline const HKEY kHandlerRoot = HKEY_LOCAL_MACHINE;
  SavedKey http_class_{kHandlerRoot, kHttpClass};
  std::string folder_ = TempFolder("tarno-logon");
  std::string record_ = folder_ + "opened.txt";
  int installations_ = 0;
};

TEST_F(LogonTest, WebMailLogonOpensTheMailPageOnLocalhost) {
  const std::string folder = Installation(32123, "10.1.2.3;10.1.2.4", false);
  EXPECT_EQ(RunAndRecord("/WEBMAILLOGON " + driver::Quote("/InstallDir=" + folder), 1),
            "http://localhost:32123/mail/\r\n");
}

TEST_F(LogonTest, WebAdminLogonOpensTheAccountsPageOnTheFirstBindAddress) {
  const std::string folder = Installation(32123, "10.1.2.3;10.1.2.4", true);
  EXPECT_EQ(RunAndRecord("/WEBADMINLOGON " + driver::Quote("/InstallDir=" + folder), 1),
            "http://10.1.2.3:32123/accounts/\r\n");
}

// The first argument is compared without regard to case, and the install
// folder switch may be written with a dash.
TEST_F(LogonTest, SwitchesInAnyCaseAndOrder) {
  const std::string folder = Installation(8080, "10.9.8.7", true);
  EXPECT_EQ(RunAndRecord("/webmaillogon " + driver::Quote("-installdir=" + folder), 1),
            "http://10.9.8.7:8080/mail/\r\n");
}

}  // namespace
}  // namespace e2e
