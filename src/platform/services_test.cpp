// The service operations against Wine's service control manager, with the
// suite's own server programs as the services. Uses the suite's real
// service names (and "SMTPSVC"): the fixture removes them before and after.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>

#include "platform/install_services.h"
#include "platform/running_servers.h"
#include "platform/server_command.h"
#include "platform/service_control.h"
#include "platform/service_table.h"
#include "support/services_test_support.h"
#include "messages/setup_messages.h"
#include "setup/setup_state.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace platform {
namespace {

using namespace platform::testing;
using win32::ScopedServiceHandle;
using Clock = std::chrono::steady_clock;

constexpr const char* kOtherVendorSmtp = "SMTPSVC";
const std::string kServiceHint =
    "\r\nThere might be already some service running on the same TCP/IP port. Make sure MS SMTP, Norton Antivirus "
    "POP3 or some other mail server is not running on this machine.";

ScopedServiceHandle Manager() { return ScopedServiceHandle(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)); }

// Stops (by its process, if need be) and deletes a service, waiting until it is gone.
void RemoveService(const char* name) {
  ScopedServiceHandle manager = Manager();
  ScopedServiceHandle service(::OpenServiceA(manager.get(), name, SERVICE_ALL_ACCESS));
  if (!service) return;
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  if (::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof(status),
                             &needed) &&
      status.dwProcessId != 0) {
    win32::ScopedHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId));
    if (process) {
      ::TerminateProcess(process.get(), 0);
      ::WaitForSingleObject(process.get(), 5000);
    }
  }
  ::DeleteService(service.get());
  service.reset();
  EXPECT_TRUE(driver::WaitUntil([&] { return !QueryServiceState(name).has_value(); }))
      << name << " is still registered";
}

bool WaitForState(const char* name, DWORD state, driver::Milliseconds timeout = driver::Milliseconds(10000)) {
  return driver::WaitUntil([&] { return QueryServiceState(name) == state; }, timeout);
}

std::string StateText(const char* name) {
  auto state = QueryServiceState(name);
  return state ? std::to_string(*state) : "none";
}

DWORD ProcessOf(const char* name) {
  ScopedServiceHandle manager = Manager();
  ScopedServiceHandle service(::OpenServiceA(manager.get(), name, SERVICE_QUERY_STATUS));
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  ::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof(status),
                         &needed);
  return status.dwProcessId;
}

std::vector<BYTE> Config2(const char* name, DWORD level) {
  ScopedServiceHandle manager = Manager();
  ScopedServiceHandle service(::OpenServiceA(manager.get(), name, SERVICE_QUERY_CONFIG));
  DWORD needed = 0;
  ::QueryServiceConfig2A(service.get(), level, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed + 1);
  if (!::QueryServiceConfig2A(service.get(), level, buffer.data(), static_cast<DWORD>(buffer.size()), &needed))
    buffer.clear();
  return buffer;
}

class Services : public ::testing::Test {
 protected:
  void SetUp() override { RemoveAll(); }
  void TearDown() override { RemoveAll(); }
  static void RemoveAll() {
    for (const ServiceRow& row : ServiceTable) RemoveService(row.ServiceName);
    RemoveService(kOtherVendorSmtp);
  }
  void CreateAndStart(std::initializer_list<size_t> rows) {
    for (size_t row : rows) CreateServerService(folder_.dir(), row);
    for (size_t row : rows) StartServer(folder_.dir(), row);
    for (size_t row : rows)
      ASSERT_TRUE(WaitForState(ServiceTable[row].ServiceName, SERVICE_RUNNING))
          << ServiceTable[row].ServiceName << " state " << StateText(ServiceTable[row].ServiceName);
  }
  setup::SetupState Setup(bool im, bool groupware) const {
    setup::SetupState state;
    state.InstallFolder = folder_.dir();
    state.NoInstallIM = !im;
    state.NoInstallCalendar = !groupware;
    return state;
  }

  SuiteFolder folder_;
};

// A service's whole life through the setup's operations, and the commands it
// receives on its pipe on the way.
TEST_F(Services, CreateDescribeStartCommandStopDisableDelete) {
  BoxRecorder boxes;
  const ServiceRow& pop3 = ServiceTable[kPop3Row];
  CreateServerService(folder_.dir(), kPop3Row);

  ScopedServiceHandle manager = Manager();
  ScopedServiceHandle service(::OpenServiceA(manager.get(), pop3.ServiceName, SERVICE_QUERY_CONFIG));
  ASSERT_TRUE(service) << "error " << ::GetLastError();
  std::vector<BYTE> buffer(8192);
  DWORD needed = 0;
  ASSERT_TRUE(::QueryServiceConfigA(service.get(), reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data()),
                                    static_cast<DWORD>(buffer.size()), &needed));
  const auto* config = reinterpret_cast<const QUERY_SERVICE_CONFIGA*>(buffer.data());
  EXPECT_STREQ(config->lpBinaryPathName, ("\"" + folder_.dir() + "pop3.exe\"").c_str()) << "quoted: the path has blanks";
  EXPECT_EQ(config->dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
  EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_EQ(config->dwErrorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
  EXPECT_STREQ(config->lpServiceStartName, "LocalSystem");
  EXPECT_STREQ(config->lpDisplayName, pop3.DisplayName);
  service.reset();

  char value[256] = {};
  DWORD size = sizeof(value);
  EXPECT_EQ(::RegGetValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\TarnoPOP3", "Description",
                           RRF_RT_REG_SZ, nullptr, value, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(value, pop3.Description);
  std::vector<BYTE> description = Config2(pop3.ServiceName, SERVICE_CONFIG_DESCRIPTION);
  ASSERT_FALSE(description.empty());
  EXPECT_STREQ(reinterpret_cast<SERVICE_DESCRIPTIONA*>(description.data())->lpDescription, pop3.Description)
      << "the manager's own copy";
  // Wine stores no failure actions: there the call's success is all that shows.
  std::vector<BYTE> failure = Config2(pop3.ServiceName, SERVICE_CONFIG_FAILURE_ACTIONS);
  if (!failure.empty() && reinterpret_cast<SERVICE_FAILURE_ACTIONSA*>(failure.data())->cActions > 0) {
    const auto* actions = reinterpret_cast<SERVICE_FAILURE_ACTIONSA*>(failure.data());
    EXPECT_EQ(actions->lpsaActions[0].Type, SC_ACTION_RESTART);
    EXPECT_EQ(actions->lpsaActions[0].Delay, 0u);
  }
  ScopedServiceHandle change(::OpenServiceA(manager.get(), pop3.ServiceName, SERVICE_CHANGE_CONFIG | SERVICE_START));
  EXPECT_TRUE(SetServiceRestartOnFailure(change.get()));
  change.reset();

  EXPECT_EQ(QueryServiceState(pop3.ServiceName), static_cast<DWORD>(SERVICE_STOPPED));
  StartServer(folder_.dir(), kPop3Row);
  ASSERT_TRUE(WaitForState(pop3.ServiceName, SERVICE_RUNNING)) << StateText(pop3.ServiceName);
  EXPECT_TRUE(IsRunningPresence(IsServerRunning(kPop3Row)));

  EXPECT_TRUE(ServerCommand(kPop3Row, 1280, 3, 0));
  EXPECT_TRUE(ServerCommand(kPop3Row, 7, 0xFFFFFFFF, 42));
  EXPECT_EQ(ServerCommandWithAnswer(kPop3Row, 9, 1, 2), std::optional<uint32_t>(3)) << "the third record";
  const std::string expected = "pipe 4096 1280 3 0 0\r\npipe 4096 7 4294967295 42 0\r\npipe 4099 9 1 2 0\r\n";
  EXPECT_TRUE(driver::WaitUntil([&] { return folder_.Log("pop3") == expected; })) << folder_.Log("pop3");

  auto start = Clock::now();
  StopServer(folder_.dir(), kPop3Row);
  EXPECT_EQ(QueryServiceState(pop3.ServiceName), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_LT(SecondsSince(start), 5.0) << "a server that honours the stop control is not waited for in full";

  DisableService(pop3.ServiceName);
  EXPECT_EQ(QueryServiceStartType(pop3.ServiceName), kStartDisabled);
  EXPECT_EQ(SetServiceStartType(pop3.ServiceName, kStartOnDemand), kStartDisabled) << "answers the type before";
  EXPECT_EQ(SetServiceStartType(pop3.ServiceName, kStartTypeNotRead), kStartTypeNotRead);
  EXPECT_EQ(QueryServiceStartType(pop3.ServiceName), kStartOnDemand) << "-1 changes nothing";
  ASSERT_FALSE(Config2(pop3.ServiceName, SERVICE_CONFIG_DESCRIPTION).empty());
  EXPECT_STREQ(reinterpret_cast<SERVICE_DESCRIPTIONA*>(Config2(pop3.ServiceName, SERVICE_CONFIG_DESCRIPTION).data())
                   ->lpDescription,
               pop3.Description)
      << "a start type change keeps the description";

  DeleteServerService(pop3.ServiceName);
  EXPECT_TRUE(driver::WaitUntil([&] { return !QueryServiceState(pop3.ServiceName).has_value(); }));
  DeleteServerService(pop3.ServiceName);
  EXPECT_EQ(QueryServiceStartType(pop3.ServiceName), kStartTypeNotRead);
  StopServer(folder_.dir(), kPop3Row);
  EXPECT_EQ(boxes.Texts(), "") << "nothing here warns: a missing service is no error";
}

// To a stopped service with no window the command is not sent: no client
// ever connects to a pipe of that name.
TEST_F(Services, CommandToAStoppedServerOpensNoPipe) {
  const std::string name = std::string("\\\\.\\pipe\\") + ServiceTable[kControlRow].ServiceName;
  win32::ScopedHandle pipe(::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                              PIPE_TYPE_BYTE | PIPE_WAIT, 1, 64, 64, 0, nullptr));
  ASSERT_TRUE(pipe) << ::GetLastError();
  win32::ScopedHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  OVERLAPPED overlapped{};
  overlapped.hEvent = event.get();
  ::ConnectNamedPipe(pipe.get(), &overlapped);
  ASSERT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));

  EXPECT_FALSE(ServerCommand(kControlRow, 1280, 3, 0));
  EXPECT_EQ(::WaitForSingleObject(event.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "a client connected";
  ::CancelIo(pipe.get());
}

TEST_F(Services, CreatingAnExistingServiceWarnsWithTheSystemsText) {
  BoxRecorder boxes;
  CreateServerService(folder_.dir(), kControlRow);
  EXPECT_EQ(boxes.Texts(), "");
  CreateServerService(folder_.dir(), kControlRow);
  ASSERT_TRUE(driver::WaitUntil([&] { return boxes.boxes().size() == 1; })) << boxes.Texts();
  const driver::MessageBoxInfo box = boxes.boxes()[0];
  EXPECT_EQ(box.caption, "Warning");
  EXPECT_EQ(box.icon, driver::MessageBoxIcon::kWarning);
  EXPECT_EQ(box.text, "Service error: " + win32::ErrorText(ERROR_SERVICE_EXISTS) + kServiceHint);
}

// An upgrade over an installation whose POP3 service is disabled: automatic
// while the installation runs, not started, disabled again at the end; the
// final check does not count it as a failure.
TEST_F(Services, DisabledServiceAroundAnUpgrade) {
  BoxRecorder boxes;
  for (size_t row : {kSmtpRow, kPop3Row, kControlRow}) CreateServerService(folder_.dir(), row);
  DisableService("TarnoPOP3");

  ServiceInstallState state;
  RememberAndEnableStartTypes(state);
  EXPECT_EQ(state.RememberedStartTypes, (std::array<int32_t, kServerCount>{2, 4, 2, -1, -1}));
  EXPECT_EQ(QueryServiceStartType("TarnoPOP3"), kStartAutomatic);

  setup::SetupState setup = Setup(false, false);
  RecordingProgress progress;
  CheckRunningServers(setup, state, progress);
  EXPECT_EQ(state.ServicesToCreate, (std::array<bool, kServerCount>{false, false, false, true, true}))
      << "existing stopped services are not created again";
  RecordingRegistrar registrar;
  InstallAndStartServices(setup, state, progress, registrar);
  EXPECT_EQ(progress.texts, (std::vector<std::string>{"Checking For Running Services...", "Installing Services...",
                                                      "Starting Services...", "Finishing Installation..."}));
  EXPECT_EQ(registrar.paths, (std::vector<std::string>{folder_.dir() + "api.dll", folder_.dir() + "cordanecom.dll"}));
  EXPECT_TRUE(WaitForState("TarnoSMTP", SERVICE_RUNNING)) << StateText("TarnoSMTP");
  EXPECT_TRUE(WaitForState("TarnoControl", SERVICE_RUNNING)) << StateText("TarnoControl");
  EXPECT_EQ(QueryServiceState("TarnoPOP3"), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_FALSE(QueryServiceState("TarnoIM").has_value()) << "not chosen: not created";

  CheckServicesStarted(setup, state);
  RestoreStartTypes(setup, state);
  EXPECT_EQ(QueryServiceStartType("TarnoPOP3"), kStartDisabled);
  EXPECT_EQ(QueryServiceStartType("TarnoSMTP"), kStartAutomatic);
  EXPECT_EQ(boxes.Texts(), "");
}

// A run that ends between enabling a disabled service and putting it back
// (killed, power lost) leaves its note: the next run takes the service, now
// automatic, as disabled and disables it again at its end.
TEST_F(Services, ServiceEnabledByAnInterruptedRunIsDisabledAgainByTheNext) {
  const std::string key = "Software\\Cordane\\Tarno services test " + std::to_string(::GetCurrentProcessId());
  struct KeyRemover {
    std::string key;
    ~KeyRemover() { ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str()); }
  } remover{key};
  for (size_t row : {kSmtpRow, kPop3Row, kControlRow}) CreateServerService(folder_.dir(), row);
  DisableService("TarnoPOP3");

  ServiceInstallState interrupted;
  interrupted.EnabledNoteKey = key;
  RememberAndEnableStartTypes(interrupted);
  ASSERT_EQ(QueryServiceStartType("TarnoPOP3"), kStartAutomatic);

  ServiceInstallState next;
  next.EnabledNoteKey = key;
  RememberAndEnableStartTypes(next);
  EXPECT_EQ(next.RememberedStartTypes, (std::array<int32_t, kServerCount>{2, 4, 2, -1, -1}));
  EXPECT_EQ(QueryServiceStartType("TarnoPOP3"), kStartAutomatic);
  RestoreStartTypes(Setup(false, false), next);
  EXPECT_EQ(QueryServiceStartType("TarnoPOP3"), kStartDisabled);

  // The note is gone with the run that put the start types back: a service
  // the administrator enables afterwards stays enabled.
  SetServiceStartType("TarnoPOP3", kStartAutomatic);
  ServiceInstallState later;
  later.EnabledNoteKey = key;
  RememberAndEnableStartTypes(later);
  EXPECT_EQ(later.RememberedStartTypes[kPop3Row], kStartAutomatic);
}

// A fresh installation with every component, then the five servers stopped
// and started again as an upgrade does.
TEST_F(Services, FreshInstallationAndAFullStopAndStart) {
  BoxRecorder boxes;
  setup::SetupState setup = Setup(true, true);
  ServiceInstallState state;
  RecordingProgress progress;
  CheckRunningServers(setup, state, progress);
  EXPECT_EQ(state.ServicesToCreate, (std::array<bool, kServerCount>{true, true, true, true, true}));
  RecordingRegistrar registrar;
  InstallAndStartServices(setup, state, progress, registrar);
  for (const ServiceRow& row : ServiceTable)
    ASSERT_TRUE(WaitForState(row.ServiceName, SERVICE_RUNNING)) << row.ServiceName << " " << StateText(row.ServiceName);

  auto start = Clock::now();
  for (size_t row = 0; row < kServerCount; ++row) StopServerIfRunning(folder_.dir(), row);
  const double stopped = SecondsSince(start);
  for (const ServiceRow& row : ServiceTable) EXPECT_EQ(StateText(row.ServiceName), "1") << row.ServiceName;
  for (size_t row = 0; row < kServerCount; ++row) StartServer(folder_.dir(), row);
  for (const ServiceRow& row : ServiceTable)
    EXPECT_TRUE(WaitForState(row.ServiceName, SERVICE_RUNNING)) << row.ServiceName << " " << StateText(row.ServiceName);
  std::cout << "five servers: stopped in " << stopped << " s, stopped and running again in " << SecondsSince(start)
            << " s\n";
  EXPECT_EQ(boxes.Texts(), "");

  // An upgrade from 8.1.6 without the IM component: both optional services go
  // (GroupWare's is registered anew) with the earlier "calendar.exe".
  win32::test_files::PutFile(folder_.dir() + "calendar.exe", "old");
  setup = Setup(false, true);
  setup.PreviousVersion = "8.1.6";
  CheckRunningServers(setup, state, progress);
  EXPECT_FALSE(QueryServiceState("TarnoIM").has_value());
  EXPECT_FALSE(QueryServiceState("TarnoCalendar").has_value());
  EXPECT_FALSE(win32::test_files::Exists(folder_.dir() + "calendar.exe"));
  EXPECT_EQ(state.ServicesToCreate, (std::array<bool, kServerCount>{false, false, false, true, true}));
  EXPECT_EQ(boxes.Texts(), "");
}

// The other vendor's SMTP service holds port 25, so ours is stopped: the
// final check stops and disables that one and starts ours, with no warning.
TEST_F(Services, SmtpServiceOfAnotherVendorMakesWay) {
  BoxRecorder boxes;
  {
    ScopedServiceHandle manager = Manager();
    const std::string program = "\"" + folder_.dir() + "smtpsvc.exe\"";
    ScopedServiceHandle other(::CreateServiceA(manager.get(), kOtherVendorSmtp, "Other SMTP", SERVICE_ALL_ACCESS,
                                               SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                               program.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(other) << ::GetLastError();
    ASSERT_TRUE(::StartServiceA(other.get(), 0, nullptr)) << ::GetLastError();
  }
  ASSERT_TRUE(WaitForState(kOtherVendorSmtp, SERVICE_RUNNING));
  CreateServerService(folder_.dir(), kSmtpRow);
  CreateAndStart({kPop3Row, kControlRow});

  ServiceInstallState state;
  CheckServicesStarted(Setup(false, false), state);
  EXPECT_EQ(StateText(kOtherVendorSmtp), "1");
  EXPECT_EQ(QueryServiceStartType(kOtherVendorSmtp), kStartDisabled);
  EXPECT_TRUE(WaitForState("TarnoSMTP", SERVICE_RUNNING)) << StateText("TarnoSMTP");
  EXPECT_EQ(boxes.Texts(), "");
}

TEST_F(Services, ServerThatFailsToStartIsNamedInTheWarning) {
  BoxRecorder boxes;
  folder_.Settings("pop3", "FailStart=1\r\n");
  CreateAndStart({kSmtpRow, kControlRow});
  CreateServerService(folder_.dir(), kPop3Row);
  StartServer(folder_.dir(), kPop3Row);
  EXPECT_TRUE(WaitForState("TarnoPOP3", SERVICE_STOPPED)) << StateText("TarnoPOP3");
  const size_t before = boxes.boxes().size();  // the start itself may already have been refused

  CheckServicesStarted(Setup(false, false), ServiceInstallState());
  ASSERT_TRUE(driver::WaitUntil([&] { return boxes.boxes().size() == before + 1; })) << boxes.Texts();
  const driver::MessageBoxInfo box = boxes.boxes().back();
  EXPECT_EQ(box.caption, "Warning");
  EXPECT_EQ(box.icon, driver::MessageBoxIcon::kWarning);
  EXPECT_EQ(box.text, setup::FormatText(setup::Messages().cNotRunning, {"Tarno Mail Server POP3 / IMAP\r\n"}));
}

// A server that ignores the stop control is terminated after 10 s by its
// program file in the installation folder; another product's program of the
// same name keeps running. Wine's manager still reports a killed service as
// running, so the processes are what is checked.
TEST_F(Services, ServerIgnoringTheStopIsTerminatedByItsPath) {
  folder_.Settings("cal", "IgnoreStop=1\r\n");
  CreateAndStart({kCalendarRow});
  win32::ScopedHandle service_process(::OpenProcess(SYNCHRONIZE, FALSE, ProcessOf("TarnoCalendar")));
  ASSERT_TRUE(service_process) << ::GetLastError();

  const std::string elsewhere = folder_.dir() + "other product\\";
  ::CreateDirectoryA(elsewhere.c_str(), nullptr);
  ASSERT_TRUE(::CopyFileA((folder_.dir() + "config.exe").c_str(), (elsewhere + "CAL.exe").c_str(), FALSE));
  driver::Process other;
  ASSERT_TRUE(other.Start(driver::Quote(elsewhere + "CAL.exe"), elsewhere)) << other.error();

  BoxRecorder boxes;
  auto start = Clock::now();
  StopServer(folder_.dir(), kCalendarRow);
  const double waited = SecondsSince(start);
  EXPECT_GE(waited, 9.9);
  EXPECT_LT(waited, 20.0);
  EXPECT_EQ(::WaitForSingleObject(service_process.get(), 5000), static_cast<DWORD>(WAIT_OBJECT_0))
      << "the service's process still runs";
  EXPECT_TRUE(other.IsRunning()) << "the other product's CAL.exe was terminated";
  EXPECT_EQ(boxes.Texts(), "");
  other.Terminate();
}

}  // namespace
}  // namespace platform
