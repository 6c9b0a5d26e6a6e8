#include "serverconf/dns_servers.h"

#include <windows.h>
#include <iphlpapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/path_text.h"
#include "win32/library_search.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace serverconf {

std::string SystemDnsServers() {
  const win32::ScopedModule library = win32::LoadSystemLibrary("iphlpapi.dll");
  if (!library) return {};
  using GetNetworkParamsFn = DWORD(WINAPI*)(PFIXED_INFO, PULONG);
  auto get_params = win32::ProcedureAddress<GetNetworkParamsFn>(library.get(), "GetNetworkParams");
  if (!get_params) {
    win32::LogFailure("finding GetNetworkParams in", "iphlpapi.dll", ::GetLastError());
    return {};
  }
  ULONG size = 0;
  std::vector<unsigned char> buffer;
  DWORD result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.assign(std::max<ULONG>(size, sizeof(FIXED_INFO)), 0);
    size = static_cast<ULONG>(buffer.size());
    result = get_params(reinterpret_cast<PFIXED_INFO>(buffer.data()), &size);
  }
  if (result != ERROR_SUCCESS) {
    win32::LogFailure("reading the network parameters for", "the DNS servers", result);
    return {};
  }
  const FIXED_INFO* info = reinterpret_cast<const FIXED_INFO*>(buffer.data());
  std::string servers;
  auto add = [&](const IP_ADDR_STRING* entry) {
    const std::string address(entry->IpAddress.String, strnlen(entry->IpAddress.String, 16));
    if (address.empty()) return;
    if (!servers.empty()) servers += ';';
    servers += address;
  };
  if (info->CurrentDnsServer) add(info->CurrentDnsServer);
  for (const IP_ADDR_STRING* entry = &info->DnsServerList; entry; entry = entry->Next) add(entry);
  return engine::Cut(servers, 127);
}

}  // namespace serverconf
