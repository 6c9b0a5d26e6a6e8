#include "win32/library_search.h"

#include "win32/log.h"
#include "win32/win32_error.h"

namespace win32 {

bool RestrictLibrarySearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto set_default = ProcedureAddress<SetDefaultDllDirectoriesFn>(::GetModuleHandleA("kernel32.dll"),
                                                                  "SetDefaultDllDirectories");
  ::SetDllDirectoryA("");
  if (set_default == nullptr) {
    LogLine("restricting the library search: SetDefaultDllDirectories is not available on this system");
    return false;
  }
  if (!set_default(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    LogFailure("restricting the library search to", "the system directory", ::GetLastError());
    return false;
  }
  return true;
}

ScopedModule LoadSystemLibrary(const std::string& name) {
  ScopedModule module(::LoadLibraryExA(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!module) LogFailure("loading system library", name, ::GetLastError());
  return module;
}

HMODULE LoadLibraryWithOwnFolder(const std::string& path) {
  // Both ways need a full path: the folder of a relative one is not defined.
  char full[MAX_PATH];
  const DWORD n = ::GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  if (n == 0 || n >= MAX_PATH) {
    if (n != 0) ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  HMODULE module = ::LoadLibraryExA(full, nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr && ::GetLastError() == ERROR_INVALID_PARAMETER)
    module = ::LoadLibraryExA(full, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  return module;
}

}  // namespace win32
