#include "platform/kill_processes.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "platform/service_rules.h"
#include "win32/file_identity.h"
#include "win32/library_search.h"
#include "win32/log.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace platform {
namespace {

// The access the termination asks for: all rights as the NT 4 headers
// define them, which every later system grants as well.
constexpr DWORD kProcessAllAccessNt4 = 0x1F0FFF;
constexpr DWORD kQueryAndRead = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;  // 0x410
constexpr DWORD kTerminationWaitMs = 5000;

using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using GetModuleFileNameExAFn = DWORD(WINAPI*)(HANDLE, HMODULE, char*, DWORD);

struct ProcessStatus {
  EnumProcessesFn EnumProcesses = nullptr;
  GetModuleFileNameExAFn GetModuleFileNameExA = nullptr;
};

// psapi.dll is loaded once per run, from the system directory.
const ProcessStatus* Psapi() {
  static const ProcessStatus* const loaded = []() -> const ProcessStatus* {
    HMODULE psapi = win32::LoadSystemLibrary("psapi.dll").release();  // kept for the run
    if (psapi == nullptr) return nullptr;
    static ProcessStatus functions;
    functions.EnumProcesses = win32::ProcedureAddress<EnumProcessesFn>(psapi, "EnumProcesses");
    functions.GetModuleFileNameExA = win32::ProcedureAddress<GetModuleFileNameExAFn>(psapi, "GetModuleFileNameExA");
    if (functions.EnumProcesses == nullptr || functions.GetModuleFileNameExA == nullptr) {
      win32::LogFailure("looking up the process functions in", "psapi.dll", ::GetLastError());
      return nullptr;
    }
    return &functions;
  }();
  return loaded;
}

// Every process identifier: the buffer grows until the list fits with room to spare.
bool ReadProcessList(const ProcessStatus& psapi, std::vector<DWORD>& ids) {
  ids.resize(1025);
  for (;;) {
    DWORD bytes = 0;
    const DWORD capacity = static_cast<DWORD>(ids.size() * sizeof(DWORD));
    if (!psapi.EnumProcesses(ids.data(), capacity, &bytes)) {
      win32::LogFailure("reading", "the process list", ::GetLastError());
      return false;
    }
    if (bytes < capacity) {
      ids.resize(bytes / sizeof(DWORD));
      return true;
    }
    ids.resize(ids.size() * 2);
  }
}

void EnableDebugPrivilege() {
  win32::ScopedHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.receive())) {
    win32::LogFailure("opening", "the setup's process token", ::GetLastError());
    return;
  }
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!::LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid) ||
      !::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr))
    win32::LogFailure("enabling", "SeDebugPrivilege", ::GetLastError());
}

std::string FullPath(const std::string& path) {
  char buffer[MAX_PATH * 2];
  DWORD n = ::GetFullPathNameA(path.c_str(), sizeof(buffer), buffer, nullptr);
  return n > 0 && n < sizeof(buffer) ? std::string(buffer, n) : path;
}

std::string ProgramOf(const ProcessStatus& psapi, DWORD id) {
  win32::ScopedHandle process(::OpenProcess(kQueryAndRead, FALSE, id));
  if (!process) return {};  // another user's or the system's process
  char path[MAX_PATH * 2];
  DWORD n = psapi.GetModuleFileNameExA(process.get(), nullptr, path, sizeof(path));
  return n > 0 && n < sizeof(path) ? FullPath(std::string(path, n)) : std::string();
}

// The installation's program file, known by the file itself where the file
// system can tell (so that a path in another case, with a short name or
// through a junction still matches), else by its full path's spelling.
class ProgramFile {
 public:
  explicit ProgramFile(const std::string& path) : path_(FullPath(path)), identity_(win32::IdentityOf(path_)) {}
  bool Is(const std::string& program) const {
    if (identity_) {
      const std::optional<win32::FileIdentity> other = win32::IdentityOf(program);
      if (other) return *other == *identity_;
    }
    return SameProgramPath(program, path_);
  }

 private:
  std::string path_;
  std::optional<win32::FileIdentity> identity_;
};

bool Terminate(DWORD id, const std::string& program) {
  EnableDebugPrivilege();
  win32::ScopedHandle process(::OpenProcess(kProcessAllAccessNt4, FALSE, id));
  if (!process) {
    win32::LogFailure("opening for termination", program, ::GetLastError());
    return false;
  }
  if (!::TerminateProcess(process.get(), 0)) {
    win32::LogFailure("terminating", program, ::GetLastError());
    return false;
  }
  // The program file is replaced next: wait until the process has let go of it.
  if (::WaitForSingleObject(process.get(), kTerminationWaitMs) != WAIT_OBJECT_0)
    win32::LogLine("terminating " + program + ": the process has not ended after 5 s");
  win32::LogLine("terminated " + program + " (process " + std::to_string(id) + ")");
  return true;
}

}  // namespace

bool KillProcessesByName(const std::string& install_dir, const std::string& file_name) {
  const ProcessStatus* psapi = Psapi();
  if (psapi == nullptr) return false;
  std::vector<DWORD> ids;
  if (!ReadProcessList(*psapi, ids)) return false;
  EnableDebugPrivilege();
  std::string dir = install_dir;
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  const ProgramFile target(dir + ProgramFileName(file_name));
  bool result = false;
  for (DWORD id : ids) {
    if (id == 0 || id == ::GetCurrentProcessId()) continue;
    std::string program = ProgramOf(*psapi, id);
    if (!program.empty() && target.Is(program)) result = Terminate(id, program);
  }
  return result;
}

}  // namespace platform
