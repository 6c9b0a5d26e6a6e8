// The local test servers of a test's fixture (tests/servers/serve.sh), as a
// test program under Wine finds them, and small scripted servers of its own.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace test_servers {

// The fixture's state directory as a Windows path (Wine's drive Z: is "/").
inline std::string StateDir() {
  const char* dir = std::getenv("TARNO_TEST_SERVERS");
  if (dir == nullptr || *dir == '\0') throw std::runtime_error("TARNO_TEST_SERVERS is not set");
  std::string path = std::string("Z:") + dir;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path + "\\";
}

// The port of the server `name` from the fixture's "ports" file.
inline int Port(const std::string& name) {
  std::ifstream ports(StateDir() + "ports");
  std::string line;
  while (std::getline(ports, line)) {
    std::istringstream fields(line);
    std::string found;
    int port = 0;
    if (fields >> found >> port && found == name) return port;
  }
  throw std::runtime_error("no server \"" + name + "\" in " + StateDir() + "ports");
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

inline void StartWinSock() {
  static const bool started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) throw std::runtime_error("WSAStartup failed");
}

// A listening socket on 127.0.0.1 at a port the system picks.
class Listener {
 public:
  Listener() {
    StartWinSock();
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(socket_, 4) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      throw std::runtime_error("cannot listen on 127.0.0.1: " + std::to_string(::WSAGetLastError()));
    port_ = ntohs(address.sin_port);
  }
  ~Listener() { Close(); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;
  int port() const { return port_; }
  // The next connection, or INVALID_SOCKET when none came within `timeout_ms`.
  SOCKET Accept(int timeout_ms) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    timeval wait{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    if (::select(0, &readable, nullptr, nullptr, &wait) != 1) return INVALID_SOCKET;
    return ::accept(socket_, nullptr, nullptr);
  }
  void Close() {
    if (socket_ != INVALID_SOCKET) ::closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  int port_ = 0;
};

// A port on 127.0.0.1 where nothing listens (it was free a moment ago).
inline int RefusingPort() {
  Listener listener;
  return listener.port();
}

}  // namespace test_servers
