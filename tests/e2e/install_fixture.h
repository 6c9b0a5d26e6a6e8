// What the installation tests share: the services, registry and files they
// read, and the fixtures that walk the wizard of setup.exe with the sample
// distribution (InstallTest) or over a seeded installation of an earlier
// release whose servers run (SeededInstallationTest). Everything
// machine-wide an installation touches is saved first and put back (or
// removed) afterwards.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <shlobj.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "setup_fixture.h"
#include "support/test_files.h"
#include "win32/scoped_handle.h"

namespace e2e {

inline constexpr const char* kServices[] = {"TarnoSMTP", "TarnoPOP3", "TarnoControl", "TarnoIM", "TarnoCalendar"};
inline constexpr const char* kProductKey = "Software\\Cordane\\Tarno Mail Server";
inline constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarno";
inline constexpr const char* kApiClassKey = "CLSID\\{7B1E0C52-4D3A-4F6B-9E21-3A5C8D0F1A01}";
inline constexpr const char* kCordaneComClassKey = "CLSID\\{7B1E0C52-4D3A-4F6B-9E21-3A5C8D0F1A02}";
inline constexpr const char* kGroupName = "Tarno Mail Server";
inline constexpr driver::Milliseconds kInstallTimeout{240000};

// --- services, read and removed with the plain service API ---

std::optional<SERVICE_STATUS> ServiceStatus(const std::string& name);
// The process the service runs in; 0 when none.
DWORD ServiceProcess(const std::string& name);
DWORD StartType(const std::string& name);
void SetStartType(const std::string& name, DWORD start_type);
bool WaitForState(const std::string& name, DWORD state);
// Stops the service when it runs, deletes it and waits (bounded) until the
// manager has let it go; nothing when it is missing.
void RemoveService(const std::string& name);
// Creates `name` for `program` (automatic) and starts it.
void CreateRunningService(const std::string& name, const std::string& program);
// Whether a server could listen on 127.0.0.1:`port` now.
bool PortFree(int port);

// --- registry and files ---

std::string RegText(HKEY root, const std::string& key, const std::string& name);
std::optional<DWORD> RegDword(HKEY root, const std::string& key, const std::string& name);
bool KeyExists(HKEY root, const std::string& key);
std::string ShellFolder(int csidl);
std::vector<std::string> FileNames(const std::string& folder, const std::string& mask);
// The mails the installed SMTP server stored, each as its text.
std::vector<std::string> StoredMails(const std::string& install);
size_t CountContaining(const std::vector<std::string>& texts, const std::string& part);

class InstallTest : public ::testing::Test {
 protected:
  SavedKey company_{HKEY_LOCAL_MACHINE, "Software\\Cordane"};
  SavedKey uninstall_{HKEY_LOCAL_MACHINE, kUninstallKey};
  SavedKey odbc_{HKEY_LOCAL_MACHINE, "Software\\ODBC"};
  SavedKey api_class_{HKEY_CLASSES_ROOT, kApiClassKey};
  SavedKey com_class_{HKEY_CLASSES_ROOT, kCordaneComClassKey};
  SetupRun run_;
  HWND main_ = nullptr;
  std::string install_;
  std::string av_state_;
  std::string wmi_ini_;
  std::optional<std::string> saved_wmi_ini_;

  void SetUp() override {
    WSADATA winsock;
    ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &winsock), 0);
    for (const char* name : kServices) RemoveService(name);
    // The SMTP server of an earlier test may still be ending.
    ASSERT_TRUE(driver::WaitUntil([] { return PortFree(25); }, driver::Milliseconds(20000)))
        << "127.0.0.1:25 stays taken";
    RemoveTree(ShellFolder(CSIDL_COMMON_PROGRAMS) + kGroupName + "\\");
    wmi_ini_ = ShellFolder(CSIDL_WINDOWS) + "wmi.ini";
    if (win32::test_files::Exists(wmi_ini_)) saved_wmi_ini_ = ReadFile(wmi_ini_);
    CopyDistribution();
    InstallAccessDriver();
    install_ = TempFolder("tarno-install") + "Tarno Mail\\";
    av_state_ = TempFolder("tarno-av-state");
    ::SetEnvironmentVariableA("TARNO_SETIFACE_STATE", av_state_.c_str());
    ::SetEnvironmentVariableA("TARNO_REPORT_MAIL_HOST", "127.0.0.1");
  }

  void TearDown() override {
    if (run_.process().IsRunning()) run_.process().Terminate();
    for (const char* name : kServices) RemoveService(name);
    RemoveTree(ShellFolder(CSIDL_COMMON_PROGRAMS) + kGroupName + "\\");
    if (saved_wmi_ini_) WriteFile(wmi_ini_, *saved_wmi_ini_);
    else ::DeleteFileA(wmi_ini_.c_str());
    ::SetEnvironmentVariableA("TARNO_SETIFACE_STATE", nullptr);
    ::SetEnvironmentVariableA("TARNO_REPORT_MAIL_HOST", nullptr);
    // The servers just stopped may hold their files for a moment.
    const std::string parent = install_.substr(0, install_.rfind('\\', install_.size() - 2) + 1);
    driver::WaitUntil([&] {
      RemoveTree(parent);
      return !win32::test_files::Exists(parent);
    }, driver::Milliseconds(10000), driver::Milliseconds(200));
    RemoveTree(av_state_);
    ::WSACleanup();
  }

  // The sample distribution as built, setup.exe with its container hashes
  // and signature included. With `built_setup_` false the test keeps the
  // setup.exe of the build folder, linked without the hashes, which checks
  // the containers as a hand-built setup.exe does.
  bool built_setup_ = true;
  void CopyDistribution() {
    const std::string dist = driver::ProgramFolder() + "..\\dist\\";
    std::vector<std::string> names = FileNames(dist, "*");
    ASSERT_FALSE(names.empty()) << "no sample distribution in " << dist;
    for (const std::string& name : names) {
      if (name == "setup.exe" && !built_setup_) continue;
      ASSERT_TRUE(::CopyFileA((dist + name).c_str(), (run_.dist() + name).c_str(), FALSE))
          << name << " error " << ::GetLastError();
    }
  }

  // An Access driver as the only ODBC driver of the machine: the setup only
  // names its library in the data sources it registers.
  void InstallAccessDriver() {
    const std::string name = "Microsoft Access Driver (*.mdb)";
    WriteString(HKEY_LOCAL_MACHINE, "Software\\ODBC\\ODBCINST.INI\\ODBC Drivers", name, "Installed");
    WriteString(HKEY_LOCAL_MACHINE, "Software\\ODBC\\ODBCINST.INI\\" + name, "Driver",
                ShellFolder(CSIDL_SYSTEM) + "odbcjt32.dll");
  }

  HWND Control(const std::string& name) { return run_.Control(main_, name); }

  bool WaitForPanel(const std::string& panel) { return WaitForPage(main_, panel); }

  void NextTo(const std::string& panel) {
    driver::Click(Control("NextButton"));
    ASSERT_TRUE(WaitForPanel(panel)) << "Next did not lead to " << panel << "\n" << driver::DescribeTree(main_);
  }

  // Walks the wizard to the destination page, leaving out the components
  // whose list indexes are given (1 WebMail ... 5 GroupWare).
  void WalkToDestination(const std::vector<int>& deselected = {}) {
    ASSERT_TRUE(run_.Start("/SILENT")) << run_.process().error();
    main_ = run_.WaitForMainWindow();
    ASSERT_NE(main_, nullptr) << "no main window; log:\n" << run_.Log();
    ASSERT_TRUE(WaitForPanel("WelcomePanel"));
    NextTo("LicensePanel");
    NextTo("CredentialsPanel");
    driver::SetText(Control("NameEdit"), "Ann Admin");
    driver::SetText(Control("EmailEdit"), "ann@example.test");
    driver::SetText(Control("CompanyEdit"), "Example Ltd");
    driver::SetText(Control("CountryEdit"), "Norway");
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::IsEnabled(Control("NextButton")); }));
    NextTo("SetupTypePanel");
    NextTo("SetupComponents");
    HWND list = Control("ComponentList");
    for (int index : deselected) {
      driver::SelectItem(list, index);
      driver::PressKey(list, VK_SPACE);
    }
    NextTo("InstallPanel");
  }

  // Sets the destination, clicks Install and waits for the finish page;
  // any message box on the way fails the test with its text.
  void InstallInto(const std::string& folder) {
    driver::SetText(Control("PathEdit"), folder);
    driver::Click(Control("NextButton"));
    WaitForFinishPage();
  }

  // Waits for the finish page of an installation that was started; any
  // message box on the way fails the test with its text.
  void WaitForFinishPage() {
    HWND box = nullptr;
    bool finished = driver::WaitUntil(
        [&] {
          box = driver::FindTopLevelWindow({"#32770", "", run_.process().id(), true});
          if (box != nullptr) return true;
          HWND page = driver::FindControl(main_, "FinishedPanel");
          return page != nullptr && driver::IsVisible(page) && driver::IsEnabled(Control("NextButton"));
        },
        kInstallTimeout, driver::Milliseconds(200));
    if (box != nullptr) {
      std::string text = driver::Describe(driver::ReadMessageBox(box));
      driver::AnswerMessageBox(box, IDOK);
      FAIL() << "a message box during the installation: " << text << "\nlog:\n" << run_.Log();
    }
    ASSERT_TRUE(finished) << "no finish page; log:\n" << run_.Log();
  }

  // Clicks Install and answers the error box that
  // ends the setup; returns what it showed.
  driver::MessageBoxInfo InstallUntilErrorBox(DWORD expected_exit_code) {
    driver::Click(Control("NextButton"));
    HWND box = driver::WaitForMessageBox(run_.process().id(), "Error", kInstallTimeout);
    if (box == nullptr) {
      ADD_FAILURE() << "no error box; log:\n" << run_.Log();
      return {};
    }
    driver::MessageBoxInfo info = driver::ReadMessageBox(box);
    driver::AnswerMessageBox(box, IDOK);
    std::optional<DWORD> code = run_.process().WaitForExit(driver::Milliseconds(30000));
    EXPECT_EQ(code, std::optional<DWORD>(expected_exit_code)) << "the setup's exit code";
    return info;
  }

  int ProgressPosition() {
    return static_cast<int>(::SendMessageA(Control("ProgressBar"), PBM_GETPOS, 0, 0));
  }

  std::vector<std::string> AvCalls() {
    std::vector<std::string> entries;
    std::string log = ReadFile(av_state_ + "setiface-calls.log");
    size_t start = 0;
    while (start < log.size()) {
      size_t end = log.find('\n', start);
      std::string line = log.substr(start, end == std::string::npos ? std::string::npos : end - start);
      entries.push_back(line.substr(0, line.find('\t')));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    return entries;
  }
};

// A seeded installation of an earlier release whose five servers run, the
// POP3 server's service disabled by the administrator.
class SeededInstallationTest : public InstallTest {
 protected:
  // The administrator's files of the seeded installation.
  static constexpr const char* kAdministratorFiles[][2] = {
      {"config\\cert.pem", "the administrator's certificate"},
      {"config\\webserver.dat", "the administrator's web server settings"},
      {"config\\notes.txt", "notes"},
      {"mail\\tarnodemo.example\\admin\\1.eml", "Subject: kept\r\n\r\nbody"},
      {"logs\\smtp.log", "log line"},
      {"webmail\\config\\users.dat", "the web mail users"},
      {"webmail\\config\\settings.dat", "the web mail settings"},
      {"ldap\\slapd.conf", "the directory's configuration"},
      {"ldap\\schema\\core.schema", "the administrator's schema"},
      {"spam\\challenge.mdb", "the challenge database"},
      {"spam\\rules\\local.cf", "the administrator's rules"},
      {"spam\\rules\\99_admin.cf", "more of the administrator's rules"},
      {"calendar\\calendar.mdb", "the calendar database"},
  };

  void SeedInstallation(const std::string& previous) {
    ::CreateDirectoryA(install_.c_str(), nullptr);
    for (const auto& [name, content] : kAdministratorFiles) {
      std::string path = install_ + name;
      for (size_t at = install_.size(); (at = path.find('\\', at)) != std::string::npos; ++at)
        ::CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
      WriteFile(path, content);
    }
    WriteFile(install_ + "spam\\rules\\10_old.cf", "an older release's rules");
    const std::string suite = driver::ProgramFolder() + "suite\\";
    for (const char* program : {"smtp.exe", "pop3.exe", "control.exe", "im.exe", "cal.exe"}) {
      // The older programs: the same stand-ins with a mark of their own.
      WriteFile(install_ + program, ReadFile(suite + program) + "release " + previous);
    }
    WriteString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", install_);
    WriteString(HKEY_LOCAL_MACHINE, kProductKey, "Version", previous);
    WriteString(HKEY_LOCAL_MACHINE, kProductKey, "Name", "Ann Admin");
    WriteString(HKEY_LOCAL_MACHINE, kProductKey, "Email", "ann@example.test");
    const char* programs[] = {"smtp.exe", "pop3.exe", "control.exe", "im.exe", "cal.exe"};
    for (size_t row = 0; row < std::size(kServices); ++row)
      ASSERT_NO_FATAL_FAILURE(CreateRunningService(kServices[row], install_ + programs[row]));
    // Disabled by the administrator, yet running.
    ASSERT_NO_FATAL_FAILURE(SetStartType("TarnoPOP3", SERVICE_DISABLED));
  }

  std::map<std::string, std::string> AdministratorFiles() {
    std::map<std::string, std::string> files;
    for (const auto& [name, content] : kAdministratorFiles) files[name] = ReadFile(install_ + name);
    return files;
  }

  // The servers run as before the installation, POP3 disabled again.
  void ExpectServersAsSeeded() {
    for (const char* name : kServices)
      EXPECT_TRUE(WaitForState(name, SERVICE_RUNNING)) << name << " is not running";
    EXPECT_EQ(StartType("TarnoPOP3"), static_cast<DWORD>(SERVICE_DISABLED));
    EXPECT_EQ(StartType("TarnoSMTP"), static_cast<DWORD>(SERVICE_AUTO_START));
  }
};

// Names the cases of a test parameterised by the version an upgrade starts
// from (a `previous` member): "From8_2_6", since test names take no dots.
struct FromPreviousVersionName {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    std::string name = std::string("From") + info.param.previous;
    std::replace(name.begin(), name.end(), '.', '_');
    return name;
  }
};

}  // namespace e2e
