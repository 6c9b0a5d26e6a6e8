#include "serverconf/network_drives.h"

#include <windows.h>
#include <winnetwk.h>

#include "serverconf/path_overrides.h"
#include "win32/win32_error.h"

namespace serverconf {

void ConnectNetworkDrives(const std::string& line) {
  for (const NetworkDrive& drive : ParseNetworkDrives(line)) {
    NETRESOURCEA resource{};
    resource.dwType = RESOURCETYPE_DISK;
    std::string remote = drive.remote;
    resource.lpRemoteName = remote.data();
    const DWORD result = ::WNetAddConnection2A(&resource, drive.password ? drive.password->c_str() : nullptr,
                                              drive.user ? drive.user->c_str() : nullptr, 0);
    if (result != NO_ERROR) win32::LogFailure("connecting the network drive", drive.remote, result);
  }
}

}  // namespace serverconf
