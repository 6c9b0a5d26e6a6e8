// An https connection: the system's TLS (Schannel through SSPI) over a
// connected socket. The setup verifies the server's certificate itself after
// the handshake: the chain must end at a trusted root with no error in its
// trust status (chain_trust_status.h), and the certificate must name the host
// (the SSL chain policy), whatever the provider checked.
#pragma once

#include <memory>
#include <string>

#include "net/http_fetch.h"
#include "net/tcp_socket.h"

namespace serverconf {

// Runs the handshake for `host` on `socket` and verifies the certificate.
// nullptr (logged) when the handshake or the verification fails; the socket
// is then closed. Reads wait at most `read_timeout_ms` each.
std::unique_ptr<HttpConnection> OpenTlsConnection(win32::TcpSocket socket, const std::string& host,
                                                  int read_timeout_ms);

}  // namespace serverconf
