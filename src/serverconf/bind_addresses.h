// The server-wide bind addresses beyond the settings record: the outgoing
// address (path.dat line 10 or bind.dat "Outgoing_Bind=") and the IPv6
// address (bind.dat "IPv6_Bind="). Held until a later load replaces them.
#pragma once

#include <string>

namespace serverconf {

const std::string& OutgoingBindAddress();
const std::string& IPv6BindAddress();

// Steps of LoadServerConfig. Path.dat line 10, "bind addresses|outgoing":
// the bind addresses go into the loaded settings, the outgoing address (cut
// to 255 characters) is held.
void ApplyPathDatBinding();
// configuration_dir + "bind.dat": its "Outgoing_Bind=" (up to the first
// ";") and "IPv6_Bind=" lines, any case, blanks removed, cut to 255
// characters. A missing file changes nothing.
void ReadServerBinding();

}  // namespace serverconf
