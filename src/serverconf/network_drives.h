// The network drives of path.dat line 5, connected as the store resolves its
// paths.
#pragma once

#include <string>

namespace serverconf {

// Connects each item of `line` (ParseNetworkDrives) as a disk resource with
// its user and password. A connection that fails is logged and passed over.
void ConnectNetworkDrives(const std::string& line);

}  // namespace serverconf
