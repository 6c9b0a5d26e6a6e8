// Whole installations through the wizard of setup.exe with the sample
// distribution: the suite's programs become real services of the prefix and
// run, the Start-menu group, the uninstall entry, the data sources and the
// COM classes are written, the antivirus engine's interface is called and the
// report reaches the installed SMTP server. Everything machine-wide the
// installation touches is saved first and put back (or removed) afterwards.
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

#include "setup/setup_state.h"
#include "setup_fixture.h"
#include "support/test_files.h"
#include "win32/scoped_handle.h"

namespace e2e {
namespace {

constexpr const char* kServices[] = {"TarnoSMTP", "TarnoPOP3", "TarnoControl", "TarnoIM", "TarnoCalendar"};
constexpr const char* kProductKey = "Software\\Cordane\\Tarno Mail Server";
constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarno";
constexpr const char* kApiClassKey = "CLSID\\{7B1E0C52-4D3A-4F6B-9E21-3A5C8D0F1A01}";
constexpr const char* kCordaneComClassKey = "CLSID\\{7B1E0C52-4D3A-4F6B-9E21-3A5C8D0F1A02}";
constexpr const char* kGroupName = "Tarno Mail Server";
constexpr driver::Milliseconds kInstallTimeout{240000};

// --- services, read and removed with the plain service API ---

std::optional<SERVICE_STATUS> ServiceStatus(const std::string& name) {
  win32::ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return std::nullopt;
  win32::ScopedServiceHandle service(::OpenServiceA(manager.get(), name.c_str(), SERVICE_QUERY_STATUS));
  if (!service) return std::nullopt;
  SERVICE_STATUS status{};
  if (!::QueryServiceStatus(service.get(), &status)) return std::nullopt;
  return status;
}

// The process the service runs in; 0 when none.
DWORD ServiceProcess(const std::string& name) {
  win32::ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  win32::ScopedServiceHandle service(::OpenServiceA(manager.get(), name.c_str(), SERVICE_QUERY_STATUS));
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  if (!service || !::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                          sizeof status, &needed))
    return 0;
  return status.dwProcessId;
}

DWORD StartType(const std::string& name) {
  win32::ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  win32::ScopedServiceHandle service(::OpenServiceA(manager.get(), name.c_str(), SERVICE_QUERY_CONFIG));
  if (!service) return 0;
  std::vector<char> buffer(8192);
  DWORD needed = 0;
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  if (!::QueryServiceConfigA(service.get(), config, static_cast<DWORD>(buffer.size()), &needed)) return 0;
  return config->dwStartType;
}

void SetStartType(const std::string& name, DWORD start_type) {
  win32::ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  win32::ScopedServiceHandle service(::OpenServiceA(manager.get(), name.c_str(), SERVICE_CHANGE_CONFIG));
  ASSERT_TRUE(service) << name;
  ASSERT_TRUE(::ChangeServiceConfigA(service.get(), SERVICE_NO_CHANGE, start_type, SERVICE_NO_CHANGE, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
      << name << " error " << ::GetLastError();
}

bool WaitForState(const std::string& name, DWORD state) {
  return driver::WaitUntil(
      [&] {
        auto status = ServiceStatus(name);
        return status && status->dwCurrentState == state;
      },
      driver::Milliseconds(20000));
}

// Stops the service when it runs and deletes it; nothing when it is missing.
void RemoveService(const std::string& name) {
  win32::ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  win32::ScopedServiceHandle service(
      ::OpenServiceA(manager.get(), name.c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
  if (!service) return;
  SERVICE_STATUS status{};
  if (::ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) WaitForState(name, SERVICE_STOPPED);
  ::DeleteService(service.get());
}

// Creates `name` for `program` (automatic) and starts it.
void CreateRunningService(const std::string& name, const std::string& program) {
  win32::ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  ASSERT_TRUE(manager) << "error " << ::GetLastError();
  const std::string path = "\"" + program + "\"";
  win32::ScopedServiceHandle service(::CreateServiceA(manager.get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                                      SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                                      SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr, nullptr,
                                                      nullptr, nullptr));
  ASSERT_TRUE(service) << name << " error " << ::GetLastError();
  ASSERT_TRUE(::StartServiceA(service.get(), 0, nullptr)) << name << " error " << ::GetLastError();
  ASSERT_TRUE(WaitForState(name, SERVICE_RUNNING)) << name;
}

// Whether a server could listen on 127.0.0.1:`port` now.
bool PortFree(int port) {
  SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (probe == INVALID_SOCKET) return false;
  BOOL exclusive = TRUE;
  ::setsockopt(probe, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool free = ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::closesocket(probe);
  return free;
}

// --- registry and files ---

std::string RegText(HKEY root, const std::string& key, const std::string& name) {
  char buffer[1024] = {};
  DWORD size = sizeof buffer;
  if (::RegGetValueA(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
    return "<missing>";
  return buffer;
}

std::optional<DWORD> RegDword(HKEY root, const std::string& key, const std::string& name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (::RegGetValueA(root, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

bool KeyExists(HKEY root, const std::string& key) {
  win32::ScopedRegKey handle;
  return ::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, handle.receive()) == ERROR_SUCCESS;
}

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return std::string(path) + "\\";
}

std::vector<std::string> FileNames(const std::string& folder, const std::string& mask) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((folder + mask).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// The mails the installed SMTP server stored, each as its text.
std::vector<std::string> StoredMails(const std::string& install) {
  std::vector<std::string> mails;
  for (const std::string& name : FileNames(install + "mail\\", "*.eml")) mails.push_back(ReadFile(install + "mail\\" + name));
  return mails;
}

size_t CountContaining(const std::vector<std::string>& texts, const std::string& part) {
  return std::count_if(texts.begin(), texts.end(), [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

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

  // The sample distribution's companion files beside the test's setup.exe.
  void CopyDistribution() {
    const std::string dist = driver::ProgramFolder() + "..\\dist\\";
    std::vector<std::string> names = FileNames(dist, "*");
    ASSERT_FALSE(names.empty()) << "no sample distribution in " << dist;
    for (const std::string& name : names) {
      if (name == "setup.exe") continue;
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

// A damaged "setup.Dat" is found before anything is stopped or changed.
TEST_F(SeededInstallationTest, DamagedSetupDataEndsTheSetupWithTheServersRunning) {
  ASSERT_NO_FATAL_FAILURE(SeedInstallation("8.2.6"));
  std::vector<DWORD> processes;
  for (const char* name : kServices) processes.push_back(ServiceProcess(name));
  const std::string data = ReadFile(run_.dist() + "setup.Dat");
  WriteFile(run_.dist() + "setup.Dat", data.substr(0, data.size() / 2));
  ASSERT_NO_FATAL_FAILURE(WalkToDestination());
  driver::MessageBoxInfo box = InstallUntilErrorBox(setup::kExitDamagedDistribution);
  EXPECT_EQ(box.text, "Extracting files error: data file error") << driver::Describe(box);
  ExpectServersAsSeeded();
  for (size_t row = 0; row < std::size(kServices); ++row)
    EXPECT_EQ(ServiceProcess(kServices[row]), processes[row]) << kServices[row] << " was stopped";
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Version"), "8.2.6");
}

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
    [](const ::testing::TestParamInfo<UpgradeCase>& info) {
      std::string name = std::string("From") + info.param.previous;
      std::replace(name.begin(), name.end(), '.', '_');
      return name;
    });

}  // namespace
}  // namespace e2e
