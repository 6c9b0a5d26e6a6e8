#include "serverconf/network_drives.h"

#include <windows.h>
#include <winnetwk.h>

#include "serverconf/path_overrides.h"
#include "win32/library_search.h"
#include "win32/log.h"
#include "win32/win32_error.h"

namespace serverconf {
namespace {

using AddConnectionFn = DWORD(WINAPI*)(LPNETRESOURCEA, LPCSTR, LPCSTR, DWORD);

// "mpr.dll" is no known system library: imported by the program it would be
// looked for beside setup.exe first, before any code of the setup runs. It
// is loaded from the system directory when a drive is to be connected.
AddConnectionFn AddConnection() {
  static AddConnectionFn function = [] {
    HMODULE mpr = win32::LoadSystemLibrary("mpr.dll").release();  // kept loaded for the life of the process
    return win32::ProcedureAddress<AddConnectionFn>(mpr, "WNetAddConnection2A");
  }();
  return function;
}

}  // namespace

void ConnectNetworkDrives(const std::string& line) {
  const std::vector<NetworkDrive> drives = ParseNetworkDrives(line);
  if (drives.empty()) return;
  const AddConnectionFn add_connection = AddConnection();
  if (add_connection == nullptr) {
    win32::LogLine("connecting the network drives: WNetAddConnection2A of mpr.dll is not available");
    return;
  }
  for (const NetworkDrive& drive : drives) {
    NETRESOURCEA resource{};
    resource.dwType = RESOURCETYPE_DISK;
    std::string remote = drive.remote;
    resource.lpRemoteName = remote.data();
    const DWORD result = add_connection(&resource, drive.password ? drive.password->c_str() : nullptr,
                                              drive.user ? drive.user->c_str() : nullptr, 0);
    if (result != NO_ERROR) win32::LogFailure("connecting the network drive", drive.remote, result);
  }
}

}  // namespace serverconf
