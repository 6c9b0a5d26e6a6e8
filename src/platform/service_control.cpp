#include "platform/service_control.h"

#include <shellapi.h>

#include <vector>

#include "platform/kill_processes.h"
#include "platform/service_rules.h"
#include "platform/service_table.h"
#include "platform/system_family.h"
#include "messages/setup_messages.h"
#include "win32/library_search.h"
#include "win32/log.h"
#include "win32/notice.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace platform {
namespace {

using win32::ScopedServiceHandle;

constexpr DWORD kStopTimeoutMs = 10000;
constexpr DWORD kPollMs = 10;
constexpr DWORD kQueryAndChangeConfig = SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG;  // 3
constexpr DWORD kStopAndQuery = SERVICE_STOP | SERVICE_QUERY_STATUS;                  // 0x24

ScopedServiceHandle OpenManager(DWORD access) {
  ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, access));
  if (!manager) ::SetLastError(win32::LogFailure("opening", "the service control manager", ::GetLastError()));
  return manager;
}

ScopedServiceHandle OpenService(SC_HANDLE manager, const std::string& name, DWORD access) {
  ScopedServiceHandle service(::OpenServiceA(manager, name.c_str(), access));
  if (!service) ::SetLastError(win32::LogFailure("opening service", name, ::GetLastError()));
  return service;
}

const char* NameOf(std::size_t row, const char* service_name) {
  return service_name != nullptr ? service_name : ServiceTable[row].ServiceName;
}

// The whole configuration record with its strings, sized as the manager asks.
std::vector<unsigned char> ReadConfig(SC_HANDLE service, const std::string& name) {
  DWORD needed = 0;
  ::QueryServiceConfigA(service, nullptr, 0, &needed);
  std::vector<unsigned char> buffer(needed > 0 ? needed : sizeof(QUERY_SERVICE_CONFIGA));
  if (!::QueryServiceConfigA(service, reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data()),
                             static_cast<DWORD>(buffer.size()), &needed)) {
    win32::LogFailure("reading the configuration of service", name, ::GetLastError());
    return {};
  }
  return buffer;
}

int32_t StartTypeFrom(const std::vector<unsigned char>& config) {
  return static_cast<int32_t>(reinterpret_cast<const QUERY_SERVICE_CONFIGA*>(config.data())->dwStartType);
}

bool WindowExists(std::size_t row) {
  return ::FindWindowA(ServiceTable[row].ServerWindowClass, ServiceTable[row].ServerWindowCaption) != nullptr;
}

// Polls `done` every 10 ms until it answers true or 10 s have passed.
template <class Condition>
bool PollForStop(Condition done) {
  const ULONGLONG deadline = ::GetTickCount64() + kStopTimeoutMs;
  for (;;) {
    if (done()) return true;
    if (::GetTickCount64() >= deadline) return false;
    ::Sleep(kPollMs);
  }
}

// ChangeServiceConfig2A is looked up at run time: systems before Windows 2000
// lack it, and then a service simply has no description or failure actions.
using ChangeServiceConfig2AFn = BOOL(WINAPI*)(SC_HANDLE, DWORD, void*);
ChangeServiceConfig2AFn ChangeConfig2() {
  static const ChangeServiceConfig2AFn function = []() -> ChangeServiceConfig2AFn {
    HMODULE advapi = win32::LoadSystemLibrary("advapi32.dll").release();
    if (advapi == nullptr) return nullptr;
    auto found = win32::ProcedureAddress<ChangeServiceConfig2AFn>(advapi, "ChangeServiceConfig2A");
    if (found == nullptr) win32::LogFailure("looking up", "ChangeServiceConfig2A", ::GetLastError());
    return found;  // advapi32 stays loaded for the run, as the system keeps it anyway
  }();
  return function;
}

// The "Description" value under the service's key. Registry failures are
// ignored: the description only helps the administrator read the list.
void SetServiceDescription(const ServiceRow& row) {
  win32::ScopedRegKey key;
  std::string path = std::string("System\\CurrentControlSet\\Services\\") + row.ServiceName;
  LONG result = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  key.receive(), nullptr);
  if (result == ERROR_SUCCESS)
    result = ::RegSetValueExA(key.get(), "Description", 0, REG_SZ, reinterpret_cast<const BYTE*>(row.Description),
                              static_cast<DWORD>(std::string(row.Description).size() + 1));
  if (result != ERROR_SUCCESS) win32::LogFailure("writing the description of service", row.ServiceName, result);
}

// The manager keeps its own copy of the description and may rewrite the key
// from it on a later configuration change, so it is given the text as well.
void SetManagerDescription(SC_HANDLE service, const ServiceRow& row) {
  ChangeServiceConfig2AFn change = ChangeConfig2();
  if (change == nullptr) return;
  SERVICE_DESCRIPTIONA description{const_cast<char*>(row.Description)};
  if (!change(service, SERVICE_CONFIG_DESCRIPTION, &description))
    win32::LogFailure("giving the description to service", row.ServiceName, ::GetLastError());
}

}  // namespace

int32_t QueryServiceStartType(const std::string& service_name) {
  ScopedServiceHandle manager = OpenManager(SC_MANAGER_CONNECT);
  if (!manager) return kStartTypeNotRead;
  ScopedServiceHandle service = OpenService(manager.get(), service_name, kQueryAndChangeConfig);
  if (!service) return kStartTypeNotRead;
  std::vector<unsigned char> config = ReadConfig(service.get(), service_name);
  return config.empty() ? kStartTypeNotRead : StartTypeFrom(config);
}

int32_t SetServiceStartType(const std::string& service_name, int32_t start_type) {
  if (start_type == kStartTypeNotRead) return kStartTypeNotRead;
  ScopedServiceHandle manager = OpenManager(SC_MANAGER_CONNECT);
  if (!manager) return kStartTypeNotRead;
  ScopedServiceHandle service = OpenService(manager.get(), service_name, kQueryAndChangeConfig);
  if (!service) return kStartTypeNotRead;
  std::vector<unsigned char> config = ReadConfig(service.get(), service_name);
  if (config.empty()) return kStartTypeNotRead;
  const auto* read = reinterpret_cast<const QUERY_SERVICE_CONFIGA*>(config.data());
  if (!::ChangeServiceConfigA(service.get(), read->dwServiceType, static_cast<DWORD>(start_type),
                              read->dwErrorControl, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
    win32::LogFailure("changing the start type of service", service_name, ::GetLastError());
  return StartTypeFrom(config);
}

std::optional<DWORD> QueryServiceState(const std::string& service_name) {
  ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return std::nullopt;
  // A service that does not exist is the usual answer here, not a failure.
  ScopedServiceHandle service(::OpenServiceA(manager.get(), service_name.c_str(), SERVICE_QUERY_STATUS));
  if (!service) return std::nullopt;
  SERVICE_STATUS status{};
  if (!::QueryServiceStatus(service.get(), &status)) {
    win32::LogFailure("querying the state of service", service_name, ::GetLastError());
    return std::nullopt;
  }
  return status.dwCurrentState;
}

void DisableService(const std::string& service_name) {
  ScopedServiceHandle manager = OpenManager(SC_MANAGER_ALL_ACCESS);
  if (!manager) return;
  ScopedServiceHandle service = OpenService(manager.get(), service_name, SERVICE_ALL_ACCESS);
  if (!service) return;
  if (!::ChangeServiceConfigA(service.get(), SERVICE_NO_CHANGE, SERVICE_DISABLED, SERVICE_NO_CHANGE, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr))
    win32::LogFailure("disabling service", service_name, ::GetLastError());
}

void StartServer(const std::string& install_dir, std::size_t row, const char* service_name) {
  if (!IsNtFamily()) {
    // The full path, never a search: a program of the same name elsewhere
    // must not be started in its place.
    std::string program = install_dir + ServiceTable[row].Executable;
    if (::GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteA(nullptr, nullptr, program.c_str(), nullptr, install_dir.c_str(), SW_SHOW));
    if (result <= 32) win32::LogFailure("launching", program, static_cast<DWORD>(result));
    return;
  }
  const std::string name = NameOf(row, service_name);
  ScopedServiceHandle manager = OpenManager(SC_MANAGER_ALL_ACCESS);
  if (!manager) return ShowServiceWarning(::GetLastError());
  ScopedServiceHandle service = OpenService(manager.get(), name, SERVICE_START);
  if (!service) return ShowServiceWarning(::GetLastError());
  if (!::StartServiceA(service.get(), 0, nullptr)) {
    DWORD error = win32::LogFailure("starting service", name, ::GetLastError());
    ShowServiceWarning(error);
  }
}

void StopServer(const std::string& install_dir, std::size_t row, const char* service_name) {
  if (!IsNtFamily()) {
    const ServiceRow& server = ServiceTable[row];
    HWND window = ::FindWindowA(server.ServerWindowClass, server.ServerWindowCaption);
    if (window == nullptr) return;
    // Posted, not sent: a server that hangs must not hang the setup as well.
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    if (!PollForStop([&] { return !WindowExists(row); }))
      win32::LogLine(std::string("stopping ") + server.Executable + ": its window is still there after 10 s");
    return;
  }
  const std::string name = NameOf(row, service_name);
  ScopedServiceHandle manager = OpenManager(SC_MANAGER_ALL_ACCESS);
  if (!manager) return ShowServiceWarning(::GetLastError());
  ScopedServiceHandle service = OpenService(manager.get(), name, kStopAndQuery);
  if (!service) return;
  SERVICE_STATUS status{};
  if (!::ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
    DWORD error = win32::LogFailure("sending the stop control to service", name, ::GetLastError());
    return ShowServiceWarning(error);
  }
  bool stopped = PollForStop([&] {
    return ::QueryServiceStatus(service.get(), &status) && status.dwCurrentState == SERVICE_STOPPED;
  });
  if (stopped) return;
  win32::LogLine("service " + name + " did not stop within 10 s; terminating its processes");
  KillProcessesByName(install_dir, ServiceTable[row].Executable);
}

bool SetServiceRestartOnFailure(SC_HANDLE service) {
  ChangeServiceConfig2AFn change = ChangeConfig2();
  if (change == nullptr) return false;
  SC_ACTION restart{SC_ACTION_RESTART, 0};
  SERVICE_FAILURE_ACTIONSA actions{0, nullptr, nullptr, 1, &restart};
  if (!change(service, SERVICE_CONFIG_FAILURE_ACTIONS, &actions)) {
    win32::LogFailure("setting restart on failure for", "a service", ::GetLastError());
    return false;
  }
  return true;
}

void CreateServerService(const std::string& install_dir, std::size_t row) {
  const ServiceRow& server = ServiceTable[row];
  ScopedServiceHandle manager = OpenManager(SC_MANAGER_ALL_ACCESS);
  ScopedServiceHandle service;
  DWORD create_error = manager ? ERROR_SUCCESS : ::GetLastError();
  if (manager) {
    const std::string program = ServiceProgramPath(install_dir, server.Executable);
    service.reset(::CreateServiceA(manager.get(), server.ServiceName, server.DisplayName, SERVICE_ALL_ACCESS,
                                   SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                   program.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service) create_error = win32::LogFailure("creating service", server.ServiceName, ::GetLastError());
    // An existing service (the usual reason for a failed creation) still
    // gets its description and restart on failure.
    if (!service)
      service.reset(::OpenServiceA(manager.get(), server.ServiceName, SERVICE_CHANGE_CONFIG | SERVICE_START));
  }
  SetServiceDescription(server);
  if (service) {
    SetManagerDescription(service.get(), server);
    SetServiceRestartOnFailure(service.get());
  }
  if (create_error != ERROR_SUCCESS) ShowServiceWarning(create_error);
}

void DeleteServerService(const std::string& service_name) {
  ScopedServiceHandle manager = OpenManager(SC_MANAGER_ALL_ACCESS);
  if (!manager) return ShowServiceWarning(::GetLastError());
  ScopedServiceHandle service = OpenService(manager.get(), service_name, SERVICE_ALL_ACCESS);
  if (!service) return;
  if (!::DeleteService(service.get())) {
    DWORD error = win32::LogFailure("deleting service", service_name, ::GetLastError());
    ShowServiceWarning(error);
  }
}

void ShowServiceWarning(DWORD error) {
  std::string text = setup::Messages().cServiceError + win32::ErrorText(error) +
                     "\r\nThere might be already some service running on the same TCP/IP port. Make sure MS SMTP, "
                     "Norton Antivirus POP3 or some other mail server is not running on this machine.";
  win32::ShowNotice(nullptr, text, "Warning", MB_ICONWARNING);
}

}  // namespace platform
