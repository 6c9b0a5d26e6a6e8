// What a demo installation put on the machine, read back with the plain
// system calls, and the removal of a previous demo installation so that each
// demo run installs afresh.
//
//   install_summary.exe report INSTALL_DIR   prints the summary
//   install_summary.exe clean INSTALL_DIR    removes services, keys, links, folder
//   install_summary.exe kept INSTALL_DIR     prints what an uninstall left
//
// The summary: the five services with state and start type, the Start-menu
// group's links, the product key and the uninstall entry, the ODBC data
// sources, the installation folder's files (count and size) and the mails the
// installed SMTP server stored (the report and the demonstration message).
// What an uninstall left: the folders and files still in the installation
// folder (count and size of each folder), the product key, the data sources,
// and the services, links and uninstall entry that are still there (none
// after a whole uninstall).
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kServices[] = {"TarnoSMTP", "TarnoPOP3", "TarnoControl", "TarnoIM", "TarnoCalendar"};
constexpr const char* kProductKey = "Software\\Cordane\\Tarno Mail Server";
constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarno";
constexpr const char* kDataSources = "Software\\ODBC\\ODBC.INI\\ODBC Data Sources";
constexpr const char* kGroupName = "Tarno Mail Server";

struct ServiceHandle {
  SC_HANDLE handle;
  explicit ServiceHandle(SC_HANDLE h) : handle(h) {}
  ~ServiceHandle() {
    if (handle != nullptr) ::CloseServiceHandle(handle);
  }
  ServiceHandle(const ServiceHandle&) = delete;
  ServiceHandle& operator=(const ServiceHandle&) = delete;
};

const char* StateName(DWORD state) {
  switch (state) {
    case SERVICE_STOPPED: return "stopped";
    case SERVICE_START_PENDING: return "starting";
    case SERVICE_STOP_PENDING: return "stopping";
    case SERVICE_RUNNING: return "running";
    default: return "other";
  }
}

const char* StartTypeName(DWORD type) {
  switch (type) {
    case SERVICE_AUTO_START: return "automatic";
    case SERVICE_DEMAND_START: return "on demand";
    case SERVICE_DISABLED: return "disabled";
    default: return "other";
  }
}

std::string ProgramsGroup() {
  char path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return std::string(path) + "\\" + kGroupName + "\\";
}

std::vector<std::string> Files(const std::string& folder, const char* mask) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((folder + mask).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return names;
}

void CountTree(const std::string& folder, uint64_t& files, uint64_t& bytes) {
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CountTree(folder + name + "\\", files, bytes);
    } else {
      ++files;
      bytes += (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    }
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
}

void PrintValues(HKEY root, const char* key, const char* indent = "  ") {
  HKEY handle;
  if (::RegOpenKeyExA(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    std::printf("%s(missing)\n", indent);
    return;
  }
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD name_size = sizeof name;
    BYTE data[2048];
    DWORD data_size = sizeof data - 1;
    DWORD type = 0;
    if (::RegEnumValueA(handle, i, name, &name_size, nullptr, &type, data, &data_size) != ERROR_SUCCESS) break;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      data[data_size] = 0;
      std::printf("%s%-16s %s\n", indent, name, reinterpret_cast<char*>(data));
    } else if (type == REG_DWORD) {
      std::printf("%s%-16s %lu\n", indent, name, static_cast<unsigned long>(*reinterpret_cast<DWORD*>(data)));
    }
  }
  ::RegCloseKey(handle);
}

std::string ReadText(const std::string& path) {
  std::string text;
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  ::CloseHandle(file);
  return text;
}

std::string HeaderField(const std::string& mail, const std::string& field) {
  size_t at = mail.find("\r\n" + field + ": ");
  if (at == std::string::npos) return {};
  at += field.size() + 4;
  return mail.substr(at, mail.find("\r\n", at) - at);
}

void Report(const std::string& install) {
  std::printf("Installed into %s\n\nServices:\n", install.c_str());
  ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  for (const char* name : kServices) {
    ServiceHandle service(::OpenServiceA(manager.handle, name, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
    if (service.handle == nullptr) {
      std::printf("  %-14s not installed\n", name);
      continue;
    }
    SERVICE_STATUS status{};
    ::QueryServiceStatus(service.handle, &status);
    std::vector<char> buffer(8192);
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    bool have_config = ::QueryServiceConfigA(service.handle, config, static_cast<DWORD>(buffer.size()), &needed);
    std::printf("  %-14s %-8s %-10s %s\n", name, StateName(status.dwCurrentState),
                have_config ? StartTypeName(config->dwStartType) : "?", have_config ? config->lpBinaryPathName : "");
  }

  const std::string group = ProgramsGroup();
  std::printf("\nStart-menu links in %s:\n", group.c_str());
  for (const std::string& link : Files(group, "*.lnk")) std::printf("  %s\n", link.c_str());

  std::printf("\nProduct key HKLM\\%s:\n", kProductKey);
  PrintValues(HKEY_LOCAL_MACHINE, kProductKey);
  std::printf("\nUninstall entry HKLM\\%s:\n", kUninstallKey);
  PrintValues(HKEY_LOCAL_MACHINE, kUninstallKey);
  std::printf("\nODBC data sources:\n");
  PrintValues(HKEY_LOCAL_MACHINE, kDataSources);

  uint64_t files = 0, bytes = 0;
  CountTree(install, files, bytes);
  std::printf("\nFiles: %llu files, %llu bytes in %s\n", static_cast<unsigned long long>(files),
              static_cast<unsigned long long>(bytes), install.c_str());

  std::printf("\nMail stored by the installed SMTP server (%smail\\):\n", install.c_str());
  for (const std::string& name : Files(install + "mail\\", "*.eml")) {
    const std::string mail = ReadText(install + "mail\\" + name);
    std::printf("  %s\n    To: %s\n    Subject: %s\n", name.c_str(), HeaderField(mail, "To").c_str(),
                HeaderField(mail, "Subject").c_str());
    size_t version = mail.find("<VERSION>");
    if (version != std::string::npos)
      std::printf("    %s\n", mail.substr(version, mail.find("</VERSION>", version) + 10 - version).c_str());
  }
}

void Kept(const std::string& install) {
  std::printf("Left in %s:\n", install.c_str());
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((install + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    std::printf("  (the folder is gone)\n");
  } else {
    std::vector<std::string> folders, files;
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? folders : files).push_back(name);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    std::sort(folders.begin(), folders.end());
    std::sort(files.begin(), files.end());
    for (const std::string& folder : folders) {
      uint64_t count = 0, bytes = 0;
      CountTree(install + folder + "\\", count, bytes);
      std::printf("  %-12s %4llu files, %8llu bytes\n", (folder + "\\").c_str(), static_cast<unsigned long long>(count),
                  static_cast<unsigned long long>(bytes));
    }
    for (const std::string& file : files) std::printf("  %s\n", file.c_str());
  }

  std::printf("\nProduct key HKLM\\%s:\n", kProductKey);
  PrintValues(HKEY_LOCAL_MACHINE, kProductKey);
  std::printf("\nODBC data sources:\n");
  PrintValues(HKEY_LOCAL_MACHINE, kDataSources);
  for (const char* source : {"CordaneSpamChallenge", "CordaneCalendar"}) {
    std::printf("  %s:\n", source);
    PrintValues(HKEY_LOCAL_MACHINE, (std::string("Software\\ODBC\\ODBC.INI\\") + source).c_str(), "    ");
  }

  std::printf("\nServices:");
  ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  int services = 0;
  for (const char* name : kServices) {
    ServiceHandle service(::OpenServiceA(manager.handle, name, SERVICE_QUERY_STATUS));
    if (service.handle == nullptr) continue;
    SERVICE_STATUS status{};
    ::QueryServiceStatus(service.handle, &status);
    std::printf("\n  %-14s %s", name, StateName(status.dwCurrentState));
    ++services;
  }
  std::printf(services == 0 ? " none\n" : "\n");

  const std::string group = ProgramsGroup();
  const bool group_there = ::GetFileAttributesA(group.c_str()) != INVALID_FILE_ATTRIBUTES;
  std::printf("Start-menu group %s:", group.c_str());
  const std::vector<std::string> links = Files(group, "*.lnk");
  for (const std::string& link : links) std::printf("\n  %s", link.c_str());
  std::printf(links.empty() ? (group_there ? " no links\n" : " none\n") : "\n");

  HKEY entry = nullptr;
  const bool entry_there = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &entry) == ERROR_SUCCESS;
  if (entry_there) ::RegCloseKey(entry);
  std::printf("Uninstall entry HKLM\\%s: %s\n", kUninstallKey, entry_there ? "still there" : "none");
}

bool RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = folder + name;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveTree(path + "\\");
      } else {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
      }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  return ::RemoveDirectoryA(folder.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND ||
         ::GetLastError() == ERROR_PATH_NOT_FOUND;
}

void Clean(const std::string& install) {
  ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  for (const char* name : kServices) {
    ServiceHandle service(::OpenServiceA(manager.handle, name, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (service.handle == nullptr) continue;
    SERVICE_STATUS status{};
    if (::ControlService(service.handle, SERVICE_CONTROL_STOP, &status)) {
      for (int i = 0; i < 200 && ::QueryServiceStatus(service.handle, &status) &&
                      status.dwCurrentState != SERVICE_STOPPED;
           ++i)
        ::Sleep(50);
    }
    ::DeleteService(service.handle);
  }
  ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Cordane");
  ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
  for (const char* source : {"CordaneSpamChallenge", "CordaneCalendar"}) {
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string("Software\\ODBC\\ODBC.INI\\") + source).c_str());
    ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kDataSources, source);
  }
  const std::string group = ProgramsGroup();
  if (!group.empty()) RemoveTree(group);
  // The stopped servers may hold their files for a moment.
  for (int i = 0; i < 100 && !RemoveTree(install); ++i) ::Sleep(100);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 3 ? argv[1] : "";
  if (mode != "report" && mode != "clean" && mode != "kept") {
    std::fprintf(stderr, "usage: install_summary report|clean|kept INSTALL_DIR\n");
    return 2;
  }
  std::string install = argv[2];
  if (install.back() != '\\') install += '\\';
  if (mode == "clean") Clean(install);
  else if (mode == "kept") Kept(install);
  else Report(install);
  return 0;
}
