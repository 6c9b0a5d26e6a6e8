// A mail server of a test's own on 127.0.0.1 (a port the system picks) that
// holds its reply to each message until the test lets it go: the setup that
// sends its installation report there waits at a known point meanwhile.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <cstring>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "window_driver/window_driver.h"

namespace e2e {

// A mail server on 127.0.0.1 that keeps its reply to the end of each
// message until the test lets it go, so that the test can look at the
// setup while its report is in flight. One session at a time, as the
// setup sends them; every wait is bounded.
class HoldingSmtpServer {
 public:
  HoldingSmtpServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (listener_ == INVALID_SOCKET || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 4) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~HoldingSmtpServer() {
    {
      std::lock_guard<std::mutex> hold(lock_);
      stopping_ = true;
      if (client_ != INVALID_SOCKET) ::shutdown(client_, SD_BOTH);
    }
    changed_.notify_all();
    if (listener_ != INVALID_SOCKET) ::closesocket(listener_);
    if (thread_.joinable()) thread_.join();
  }

  int port() const { return port_; }

  // True once the `count`-th message has ended and its reply is held.
  bool WaitHeld(size_t count, driver::Milliseconds timeout) {
    std::unique_lock<std::mutex> hold(lock_);
    return changed_.wait_for(hold, timeout, [&] { return messages_.size() >= count; });
  }
  // Lets the held reply go.
  void Release() {
    {
      std::lock_guard<std::mutex> hold(lock_);
      ++released_;
    }
    changed_.notify_all();
  }
  std::vector<std::string> Messages() {
    std::lock_guard<std::mutex> hold(lock_);
    return messages_;
  }

 private:
  static constexpr auto kHoldLimit = std::chrono::seconds(120);

  void Serve() {
    for (;;) {
      SOCKET client = ::accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) return;
      {
        std::lock_guard<std::mutex> hold(lock_);
        if (stopping_) {
          ::closesocket(client);
          return;
        }
        client_ = client;
      }
      Session(client);
      std::lock_guard<std::mutex> hold(lock_);
      client_ = INVALID_SOCKET;
      ::closesocket(client);
    }
  }

  static bool Send(SOCKET client, const std::string& text) {
    return ::send(client, text.data(), static_cast<int>(text.size()), 0) == static_cast<int>(text.size());
  }

  void Session(SOCKET client) {
    DWORD timeout = 60000;
    ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    if (!Send(client, "220 holding server ready\r\n")) return;
    std::string pending, data;
    bool in_data = false;
    char buffer[4096];
    for (;;) {
      size_t end;
      while ((end = pending.find("\r\n")) != std::string::npos) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 2);
        std::string reply;
        if (in_data && line != ".") {
          data += line + "\r\n";
          continue;
        }
        if (in_data) {
          in_data = false;
          if (!HoldAfter(data)) return;
          data.clear();
          reply = "250 accepted\r\n";
        } else if (_strnicmp(line.c_str(), "DATA", 4) == 0) {
          in_data = true;
          reply = "354 go ahead\r\n";
        } else if (_strnicmp(line.c_str(), "QUIT", 4) == 0) {
          Send(client, "221 bye\r\n");
          return;
        } else {
          reply = "250 OK\r\n";
        }
        if (!Send(client, reply)) return;
      }
      int n = ::recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      pending.append(buffer, static_cast<size_t>(n));
    }
  }

  // Keeps the message and waits until the test releases its reply.
  bool HoldAfter(const std::string& data) {
    std::unique_lock<std::mutex> hold(lock_);
    messages_.push_back(data);
    const size_t number = messages_.size();
    changed_.notify_all();
    changed_.wait_for(hold, kHoldLimit, [&] { return stopping_ || released_ >= number; });
    return !stopping_;
  }

  SOCKET listener_ = INVALID_SOCKET;
  SOCKET client_ = INVALID_SOCKET;
  int port_ = 0;
  std::thread thread_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<std::string> messages_;
  size_t released_ = 0;
  bool stopping_ = false;
};

}  // namespace e2e
