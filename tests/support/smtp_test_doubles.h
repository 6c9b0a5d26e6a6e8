// Test doubles of the mail transport: a connection that serves a scripted
// list of server replies and records what the client wrote, and a transport
// that hands such connections out per host and tells a fixed time.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "mailclient/text_mail.h"

namespace mailclient {

// What one scripted server saw and answered. Shared between the connection
// (on the client's thread) and the test.
struct ScriptedServer {
  std::deque<std::string> replies;  // each one read served by one Receive, in order
  std::string written;              // everything the client sent
  std::vector<size_t> write_sizes;
  std::vector<int> waits;           // the time-out of every wait for data
  bool closed = false;
};

class ScriptedConnection : public SmtpConnection {
 public:
  explicit ScriptedConnection(std::shared_ptr<ScriptedServer> server) : server_(std::move(server)) {}
  ~ScriptedConnection() override { server_->closed = true; }
  bool WaitReadable(int timeout_ms) override {
    server_->waits.push_back(timeout_ms);
    return !server_->replies.empty();
  }
  int Receive(char* buffer, int size) override {
    std::string& next = server_->replies.front();
    const size_t count = std::min(next.size(), static_cast<size_t>(size));
    next.copy(buffer, count);
    next.erase(0, count);
    if (next.empty()) server_->replies.pop_front();
    return static_cast<int>(count);
  }
  void Send(std::string_view data) override {
    server_->written.append(data);
    server_->write_sizes.push_back(data.size());
  }

 private:
  std::shared_ptr<ScriptedServer> server_;
};

class ScriptedTransport : public MailTransport {
 public:
  MailTime now{2026, 12, 6, 0, 23, 49, 58, 60};
  std::map<std::string, std::shared_ptr<ScriptedServer>> servers;  // by host; others refuse
  std::vector<std::string> connects;                               // host:port of every attempt

  std::shared_ptr<ScriptedServer> Serve(const std::string& host, std::vector<std::string> replies) {
    auto server = std::make_shared<ScriptedServer>();
    server->replies.assign(replies.begin(), replies.end());
    servers[host] = server;
    return server;
  }
  std::unique_ptr<SmtpConnection> Connect(const SmtpHost& host) override {
    connects.push_back(host.host + ":" + std::to_string(host.port));
    auto found = servers.find(host.host);
    if (found == servers.end()) return nullptr;
    return std::make_unique<ScriptedConnection>(found->second);
  }
  MailTime Now() override { return now; }
};

}  // namespace mailclient
