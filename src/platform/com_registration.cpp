#include "platform/com_registration.h"

#include <windows.h>

#include "win32/library_search.h"
#include "win32/log.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace platform {

bool CallLibraryEntry(const std::string& library_path, const std::string& entry_name) {
  win32::ScopedModule library(win32::LoadLibraryWithOwnFolder(library_path));
  if (!library) {
    win32::LogFailure("loading the library", library_path, ::GetLastError());
    return false;
  }
  using EntryFn = HRESULT(WINAPI*)();
  auto entry = win32::ProcedureAddress<EntryFn>(library.get(), entry_name.c_str());
  if (entry == nullptr) {
    win32::LogFailure("finding " + entry_name + " in", library_path, ::GetLastError());
    return false;
  }
  const HRESULT status = entry();
  if (status != 0) win32::LogFailure("calling " + entry_name + " of", library_path, static_cast<DWORD>(status));
  return status == 0;
}

bool RegisterComServer(const std::string& library_path) {
  return CallLibraryEntry(library_path, "DllRegisterServer");
}

bool UnregisterComServer(const std::string& library_path) {
  return CallLibraryEntry(library_path, "DllUnregisterServer");
}

}  // namespace platform
