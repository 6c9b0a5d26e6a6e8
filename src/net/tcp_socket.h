// A WinSock TCP client socket, owned: connected with a bounded wait, read
// with a bounded wait, closed when the owner goes. WinSock is started once
// per process on first use.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace win32 {

class TcpSocket {
 public:
  TcpSocket() = default;
  ~TcpSocket() { Close(); }
  TcpSocket(TcpSocket&& other) noexcept : socket_(other.socket_) { other.socket_ = INVALID_SOCKET; }
  TcpSocket& operator=(TcpSocket&& other) noexcept;
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  // Connects to `host` (a name or an IPv4 address) and `port`, trying each
  // address the name has and waiting at most `timeout_ms` for each. An
  // invalid socket when none answered; the failure is logged.
  static TcpSocket Connect(const std::string& host, uint16_t port, int timeout_ms);

  bool valid() const { return socket_ != INVALID_SOCKET; }
  // True when data or the end of the connection can be read within
  // `timeout_ms`; false on time-out or failure.
  bool WaitReadable(int timeout_ms) const;
  // recv: the count read, 0 at the end of the connection, less on failure.
  int Receive(char* buffer, int size) const;
  // Writes all of `data`; false (logged) when the connection failed.
  bool SendAll(std::string_view data) const;
  void Close();

 private:
  explicit TcpSocket(SOCKET socket) : socket_(socket) {}
  SOCKET socket_ = INVALID_SOCKET;
};

}  // namespace win32
