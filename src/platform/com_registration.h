// Registration of the suite's self-registering in-process COM servers
// ("api.dll", "cordanecom.dll") through their own entry points, as the
// system's registration tool does it.
#pragma once

#include <string>

namespace platform {

// Loads the library at the full path `library_path` (its own folder and the
// system folder serve its dependencies), calls its export `entry_name` with
// no arguments (stdcall, 32-bit status) and unloads it again. True when the
// entry returned 0; false when the library cannot be loaded, lacks the entry
// or returned anything else. Every failure is logged; nothing is shown, and
// no library stays loaded. COM is not initialised here.
bool CallLibraryEntry(const std::string& library_path, const std::string& entry_name);

// CallLibraryEntry with "DllRegisterServer".
bool RegisterComServer(const std::string& library_path);
// CallLibraryEntry with "DllUnregisterServer".
bool UnregisterComServer(const std::string& library_path);

}  // namespace platform
