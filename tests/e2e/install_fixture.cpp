#include "install_fixture.h"

namespace e2e {

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
  service.reset();
  // The manager deletes a service once its last handle is closed and its
  // process has ended; until then a new one of the name cannot be created.
  driver::WaitUntil([&] {
    win32::ScopedServiceHandle left(::OpenServiceA(manager.get(), name.c_str(), SERVICE_QUERY_STATUS));
    return !left && ::GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
  }, driver::Milliseconds(20000));
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

}  // namespace e2e
