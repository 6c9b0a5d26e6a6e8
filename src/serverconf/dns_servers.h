// The system's DNS servers, the default of the store's DNS server field.
#pragma once

#include <string>

namespace serverconf {

// The system's DNS servers from its network parameters: the current one
// first, then the list, each address at most 16 characters, joined with
// ";" and cut to 127 characters. Empty when the system names none.
std::string SystemDnsServers();

}  // namespace serverconf
