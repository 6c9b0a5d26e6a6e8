// Whole installations through the wizard of setup.exe with the sample
// distribution: the suite's programs become real services of the prefix and
// run, the Start-menu group, the uninstall entry, the data sources and the
// COM classes are written, the antivirus engine's interface is called and the
// report reaches the installed SMTP server.
#include <string>

#include "install_fixture.h"
#include "setup/setup_state.h"

namespace e2e {
namespace {

TEST_F(InstallTest, FreshInstallationOfTheSampleDistribution) {
  // What an interrupted run or another user left in the staging folder is
  // not installed.
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  const std::string staging = std::string(temp) + "tarnoinstall\\";
  ::CreateDirectoryA(staging.c_str(), nullptr);
  ::CreateDirectoryA((staging + "help").c_str(), nullptr);
  WriteFile(staging + "help\\planted.html", "planted");
  ASSERT_NO_FATAL_FAILURE(WalkToDestination());
  ASSERT_NO_FATAL_FAILURE(InstallInto(install_));
  EXPECT_EQ(ProgressPosition(), 12);

  // Files: programs, configuration, component trees, companions, containers.
  for (const char* file :
       {"smtp.exe", "pop3.exe", "control.exe", "im.exe", "cal.exe", "config.exe", "dnsquery.exe", "tool.exe",
        "sendmail.exe", "api.dll", "db.dll", "cordanecom.dll", "setup.exe", "readme.txt", "releasenotes.txt",
        "control.exe.local", "suitesupport.dll", "xml\\info.xml", "config\\cert.pem", "config\\webserver.dat",
        "config\\settings.cfg", "config\\domains.cfg", "spam\\challenge.mdb", "spam\\rules\\local.cf",
        "calendar\\calendar.mdb", "calendar\\holidays\\us.xml", "help\\index.html", "tutorial\\index.html",
        "webmail\\config\\settings.dat", "webmail\\config\\users.dat", "html\\mail\\index.html",
        "ldap\\slapd.conf", "php\\php.ini", "avast\\setup\\setiface.dll"})
    EXPECT_TRUE(win32::test_files::Exists(install_ + file)) << file;
  EXPECT_FALSE(win32::test_files::Exists(install_ + "php\\wmi.ini"));
  // The old projects went; the distribution's come with the web mail tree.
  EXPECT_TRUE(win32::test_files::Exists(install_ + "webmail\\projects\\default.prj"));
  EXPECT_TRUE(win32::test_files::Exists(wmi_ini_));
  EXPECT_FALSE(win32::test_files::Exists(install_ + "help\\planted.html")) << "a planted file was installed";
  EXPECT_FALSE(win32::test_files::Exists(staging)) << "the staging folder stays";

  // Five services, created for the installed programs and running.
  for (const char* name : kServices) {
    EXPECT_TRUE(WaitForState(name, SERVICE_RUNNING)) << name << " is not running";
    EXPECT_EQ(StartType(name), static_cast<DWORD>(SERVICE_AUTO_START)) << name;
  }

  // The Start-menu group.
  const std::string group = ShellFolder(CSIDL_COMMON_PROGRAMS) + kGroupName + "\\";
  std::vector<std::string> links = FileNames(group, "*.lnk");
  for (const char* link : {"Tarno Mail Server Administration.lnk", "DNS Query Tool.lnk",
                           "Tarno Mail Server Readme.lnk", "Tarno Mail Server Tutorial.lnk"})
    EXPECT_NE(std::find(links.begin(), links.end(), link), links.end()) << link << " missing in " << group;
  EXPECT_EQ(links.size(), 9u) << ::testing::PrintToString(links);

  // The product key and the uninstall entry.
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir"), install_);
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Version"), "8.3.8");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Name"), "Ann Admin");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Company"), "Example Ltd");
  for (const char* flag : {"NoInstallIM", "NoInstallWebMail", "NoInstallCalendar", "NoInstallAV", "NoInstallIAS"})
    EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, kProductKey, flag), std::optional<DWORD>(0)) << flag;
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), "\"" + install_ + "setup.exe\" /UNINSTALL");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "Tarno Mail Server");

  // The data sources and the COM classes.
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, "Software\\ODBC\\ODBC.INI\\CordaneCalendar", "DBQ"),
            install_ + "calendar\\calendar.mdb");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, "Software\\ODBC\\ODBC.INI\\CordaneSpamChallenge", "DBQ"),
            install_ + "spam\\challenge.mdb");
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kApiClassKey));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kCordaneComClassKey));

  // The antivirus engine: installed from the staging copy, updated by the installed one.
  EXPECT_EQ(AvCalls(), (std::vector<std::string>{"setifaceInstallProgram", "setifaceUpdateFiles"}))
      << ReadFile(av_state_ + "setiface-calls.log");

  // The report and the demonstration message, stored by the installed SMTP server.
  std::vector<std::string> mails;
  EXPECT_TRUE(driver::WaitUntil([&] {
    mails = StoredMails(install_);
    return mails.size() >= 2;
  })) << mails.size() << " mails";
  EXPECT_EQ(mails.size(), 2u);
  EXPECT_EQ(CountContaining(mails, "X-Tarno-Recipient: <setup-report@tarno.example>"), 1u);
  EXPECT_EQ(CountContaining(mails, "<VERSION>8.3.8</VERSION>"), 1u);
  EXPECT_EQ(CountContaining(mails, "Subject: Demonstration message"), 1u);
}

TEST_F(InstallTest, WithoutInstantMessagingAndGroupWareThreeServicesRun) {
  ASSERT_NO_FATAL_FAILURE(WalkToDestination({4, 5}));
  ASSERT_NO_FATAL_FAILURE(InstallInto(install_));
  EXPECT_EQ(ProgressPosition(), 12);
  for (const char* name : {"TarnoSMTP", "TarnoPOP3", "TarnoControl"})
    EXPECT_TRUE(WaitForState(name, SERVICE_RUNNING)) << name << " is not running";
  for (const char* name : {"TarnoIM", "TarnoCalendar"}) EXPECT_FALSE(ServiceStatus(name)) << name << " exists";
  EXPECT_FALSE(win32::test_files::Exists(install_ + "im.exe"));
  EXPECT_FALSE(win32::test_files::Exists(install_ + "cal.exe"));
  EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, kProductKey, "NoInstallIM"), std::optional<DWORD>(1));
  EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, kProductKey, "NoInstallCalendar"), std::optional<DWORD>(1));
}

// The installation folder is made as one level: a missing parent is most
// likely a typing error.
TEST_F(InstallTest, DestinationWhoseParentIsMissingEndsWithTheDirectoryError) {
  ASSERT_NO_FATAL_FAILURE(WalkToDestination());
  const std::string folder = install_ + "missing\\Tarno\\";
  driver::SetText(Control("PathEdit"), folder);
  driver::MessageBoxInfo box = InstallUntilErrorBox(setup::kExitDestinationNotCreatable);
  EXPECT_EQ(box.text.rfind("Directory could not be created: ", 0), 0u) << driver::Describe(box);
  EXPECT_GT(box.text.size(), std::string("Directory could not be created: ").size()) << "no system text";
  EXPECT_FALSE(win32::test_files::Exists(folder));
}

// An upgrade over a seeded installation whose servers run, one of them
// disabled: the administrator's data stays byte for byte, the programs are
// replaced, the disabled service is disabled again and the freshly started
// servers receive exactly the commands the previous version calls for.
struct UpgradeCase {
  const char* previous;
  const char* smtp_commands;  // the SMTP server's command log afterwards
  const char* cal_commands;   // the GroupWare server's
};


// A mandatory copy that fails after the servers were stopped ends the setup
// with its box; the servers that ran are started again and the disabled one
// is disabled again.
TEST_F(SeededInstallationTest, FailingMandatoryCopyStartsTheServersAgain) {
  ASSERT_NO_FATAL_FAILURE(SeedInstallation("8.2.6"));
  // A folder where the release notes go: the copy cannot replace it.
  ASSERT_TRUE(::CreateDirectoryA((install_ + "readme.txt").c_str(), nullptr));
  ASSERT_NO_FATAL_FAILURE(WalkToDestination());
  driver::MessageBoxInfo box = InstallUntilErrorBox(setup::kExitCopyFailed);
  EXPECT_NE(box.text.find("readme.txt"), std::string::npos) << driver::Describe(box);
  EXPECT_EQ(box.icon, driver::MessageBoxIcon::kError) << driver::Describe(box);
  ExpectServersAsSeeded();
}

class UpgradeTest : public SeededInstallationTest, public ::testing::WithParamInterface<UpgradeCase> {};

TEST_P(UpgradeTest, KeepsTheAdministratorsDataAndSendsTheGatedCommands) {
  const UpgradeCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(SeedInstallation(c.previous));
  const std::map<std::string, std::string> before = AdministratorFiles();
  ASSERT_NO_FATAL_FAILURE(WalkToDestination());
  EXPECT_EQ(driver::Text(Control("PathEdit")), install_);
  ASSERT_NO_FATAL_FAILURE(InstallInto(install_));
  EXPECT_EQ(ProgressPosition(), 12);

  EXPECT_EQ(AdministratorFiles(), before);
  const std::string suite = driver::ProgramFolder() + "suite\\";
  for (const char* program : {"smtp.exe", "pop3.exe", "control.exe", "im.exe", "cal.exe"})
    EXPECT_TRUE(ReadFile(install_ + program) == ReadFile(suite + program)) << program << " was not replaced";
  // Rules of older releases (1 to 6) are replaced; the administrator's stay.
  EXPECT_FALSE(win32::test_files::Exists(install_ + "spam\\rules\\10_old.cf"));
  EXPECT_TRUE(win32::test_files::Exists(install_ + "spam\\rules\\10_header.cf"));

  EXPECT_EQ(StartType("TarnoPOP3"), static_cast<DWORD>(SERVICE_DISABLED));
  for (const char* name : {"TarnoSMTP", "TarnoControl", "TarnoIM", "TarnoCalendar"}) {
    EXPECT_TRUE(WaitForState(name, SERVICE_RUNNING)) << name << " is not running";
    EXPECT_EQ(StartType(name), static_cast<DWORD>(SERVICE_AUTO_START)) << name;
  }
  EXPECT_EQ(ReadFile(install_ + "smtp-commands.log"), c.smtp_commands);
  EXPECT_EQ(ReadFile(install_ + "cal-commands.log"), c.cal_commands);
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Version"), "8.3.8");
}

INSTANTIATE_TEST_SUITE_P(
    PreviousVersions, UpgradeTest,
    ::testing::Values(UpgradeCase{"8.2.6", "pipe 4096 1280 2 9 0\r\npipe 4096 1280 2 10 0\r\n", ""},
                      UpgradeCase{"7.4.6",
                                  "pipe 4096 1280 4 3 0\r\npipe 4096 1280 4 4 0\r\npipe 4096 1280 2 9 0\r\n"
                                  "pipe 4096 1280 2 10 0\r\n",
                                  "pipe 4096 1280 3845 5 0\r\npipe 4096 1280 3845 6 0\r\n"
                                  "pipe 4096 1280 3845 8 0\r\n"},
                      UpgradeCase{"8.2.12", "pipe 4096 1280 2 10 0\r\n", ""},
                      UpgradeCase{"8.2.13", "", ""}),
    FromPreviousVersionName());

}  // namespace
}  // namespace e2e
