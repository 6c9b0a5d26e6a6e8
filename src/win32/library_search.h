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

}  // namespace win32
