// The reload notice to running servers: a window message that tells a
// server to read its configuration again.
#pragma once

namespace serverconf {

// The message that tells a running server to reload its configuration.
inline constexpr unsigned kServerReloadMessage = 0x400 + 256;

// Sends kServerReloadMessage to the running server windows ("TSMTPForm"
// "SMTP", "TPOP3Form" "POP3", "TIMForm" "Instant Messaging Server",
// "TGroupWareForm" "GroupWare", and "TControlForm" "Control" only with
// `include_web_console`). Servers that are not running are skipped; a
// server that does not answer within a few seconds is passed over.
// Returns how many windows were told.
int NotifyServersReload(bool include_web_console);

}  // namespace serverconf
