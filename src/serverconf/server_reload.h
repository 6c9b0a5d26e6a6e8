// The reload notice to running servers: a window message that tells a
// server to read its configuration again.
#pragma once

#include "platform/server_command_record.h"

namespace serverconf {

// The message that tells a running server to reload its configuration.
using platform::kServerReloadMessage;

// Sends kServerReloadMessage to the main windows of the running servers
// (the ServiceTable's window classes and captions; the web and control
// server's "TControlForm" "Control" only with `include_web_console`). Servers that are not running are skipped; a
// server that does not answer within a few seconds is passed over.
// Returns how many windows were told.
int NotifyServersReload(bool include_web_console);

}  // namespace serverconf
