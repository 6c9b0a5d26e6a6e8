#include "net/tcp_socket.h"

#include <ws2tcpip.h>

#include <utility>

#include "win32/win32_error.h"

namespace win32 {
namespace {

// WinSock stays started for the life of the process.
bool StartWinSock() {
  static const bool started = [] {
    WSADATA data;
    const int result = ::WSAStartup(MAKEWORD(2, 2), &data);
    if (result != 0) LogFailure("starting WinSock", "ws2_32.dll", static_cast<DWORD>(result));
    return result == 0;
  }();
  return started;
}

// Waits for a non-blocking connect to finish; true when it connected.
bool FinishConnect(SOCKET s, int timeout_ms) {
  fd_set writable, failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(s, &writable);
  FD_SET(s, &failed);
  timeval wait{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  if (::select(0, nullptr, &writable, &failed, &wait) != 1 || !FD_ISSET(s, &writable)) {
    ::WSASetLastError(FD_ISSET(s, &failed) ? WSAECONNREFUSED : WSAETIMEDOUT);
    if (FD_ISSET(s, &failed)) {
      int error = 0, size = sizeof error;
      if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 && error != 0)
        ::WSASetLastError(error);
    }
    return false;
  }
  return true;
}

}  // namespace

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
  if (this != &other) {
    Close();
    socket_ = std::exchange(other.socket_, INVALID_SOCKET);
  }
  return *this;
}

void TcpSocket::Close() {
  if (socket_ != INVALID_SOCKET) {
    const int saved = ::WSAGetLastError();
    ::closesocket(socket_);
    ::WSASetLastError(saved);
    socket_ = INVALID_SOCKET;
  }
}

TcpSocket TcpSocket::Connect(const std::string& host, uint16_t port, int timeout_ms) {
  const std::string where = host + ":" + std::to_string(port);
  if (!StartWinSock()) return {};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const int resolved = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (resolved != 0) {
    LogFailure("resolving", where, static_cast<DWORD>(resolved));
    return {};
  }
  DWORD error = WSAECONNREFUSED;
  for (addrinfo* address = found; address != nullptr; address = address->ai_next) {
    TcpSocket socket(::socket(address->ai_family, address->ai_socktype, address->ai_protocol));
    if (!socket.valid()) {
      error = static_cast<DWORD>(::WSAGetLastError());
      continue;
    }
    u_long non_blocking = 1;
    ::ioctlsocket(socket.socket_, FIONBIO, &non_blocking);
    if (::connect(socket.socket_, address->ai_addr, static_cast<int>(address->ai_addrlen)) != 0 &&
        (::WSAGetLastError() != WSAEWOULDBLOCK || !FinishConnect(socket.socket_, timeout_ms))) {
      error = static_cast<DWORD>(::WSAGetLastError());
      continue;
    }
    u_long blocking = 0;
    ::ioctlsocket(socket.socket_, FIONBIO, &blocking);
    // A peer that stops reading must not hold a write forever.
    const DWORD send_timeout = static_cast<DWORD>(timeout_ms);
    ::setsockopt(socket.socket_, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&send_timeout),
                 sizeof send_timeout);
    ::freeaddrinfo(found);
    return socket;
  }
  ::freeaddrinfo(found);
  LogFailure("connecting to", where, error);
  return {};
}

bool TcpSocket::WaitReadable(int timeout_ms) const {
  if (!valid()) return false;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket_, &readable);
  timeval wait{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  return ::select(0, &readable, nullptr, nullptr, &wait) == 1;
}

int TcpSocket::Receive(char* buffer, int size) const { return valid() ? ::recv(socket_, buffer, size, 0) : -1; }

bool TcpSocket::SendAll(std::string_view data) const {
  while (!data.empty()) {
    const int sent = valid() ? ::send(socket_, data.data(), static_cast<int>(data.size()), 0) : -1;
    if (sent <= 0) {
      LogFailure("sending on", "a connection", static_cast<DWORD>(::WSAGetLastError()));
      return false;
    }
    data.remove_prefix(static_cast<size_t>(sent));
  }
  return true;
}

}  // namespace win32
