// Where the process looks for libraries loaded by name.
//
// A setup is often started from a download folder that others can write to;
// a library planted there must never be loaded in place of the system's.
#pragma once

#include <windows.h>

#include <string>

#include "win32/scoped_handle.h"

namespace win32 {

// Restricts the search for libraries loaded by name to the system directory
// and removes the current directory from it. Called first thing at start-up.
// Returns false (and logs) when the system lacks SetDefaultDllDirectories;
// the current directory is removed in any case.
bool RestrictLibrarySearch();

// Loads a system library (psapi.dll, iphlpapi.dll, ...) from the system
// directory only, owned by the answer. Empty (logged) when it cannot be loaded.
ScopedModule LoadSystemLibrary(const std::string& name);

// Loads the library at `path` (made a full path first) so that its own dependencies are
// found beside it and in the system directory, never in the setup's folder or
// the current directory (LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR with the system
// directory; systems without those flags get the altered search path, which
// also starts beside the library). nullptr when it cannot be loaded, with the
// thread's last error telling why; nothing is logged.
HMODULE LoadLibraryWithOwnFolder(const std::string& path);

// The function `name` exported by `module`, as a pointer of type Function;
// nullptr when the module is null or does not export it (then the thread's
// last error tells why).
template <class Function>
Function ProcedureAddress(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace win32
