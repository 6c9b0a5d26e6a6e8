// The setup's SMTP client: one SMTP dialogue per TSMTPClientThread, run on a
// worker thread of its own while the caller waits (SendMail). The dialogue is
// pure logic over SmtpConnection; the program connects with WinSock
// (winsock_mail_transport.h), tests with doubles or local servers.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace mailclient {

// One connected socket to a mail server.
class SmtpConnection {
 public:
  virtual ~SmtpConnection() = default;
  // True when data (or the end of the connection) can be read within
  // `timeout_ms`; false on time-out.
  virtual bool WaitReadable(int timeout_ms) = 0;
  // Reads up to `size` bytes into `buffer`: the count read; 0 or less when
  // the connection was closed or failed.
  virtual int Receive(char* buffer, int size) = 0;
  // Writes all of `data`; throws SmtpError when that fails.
  virtual void Send(std::string_view data) = 0;
};

// The host text of a dialogue, parsed.
struct SmtpHost {
  std::string host;    // a host name or a numeric address, without brackets
  bool numeric = false;
  uint16_t port = 25;
};

// Opens connections to mail servers.
class SmtpConnector {
 public:
  virtual ~SmtpConnector() = default;
  // A connection to `host`, or nullptr when none could be made (logged).
  virtual std::unique_ptr<SmtpConnection> Connect(const SmtpHost& host) = 0;
};

class SmtpError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The trimmed host text: a part between "[" and "]" is a numeric address;
// otherwise the part before the first ":" is a host name when its last
// character is a letter and a numeric address when not. ":" and a number
// from 1 to 65535 after it set the port, 25 otherwise.
SmtpHost ParseSmtpHost(std::string_view text);

// The sender for "MAIL From:": the trimmed part between the last "<" and the
// following ">" (to the end without one), or the whole trimmed text when it
// has no "<", in angle brackets; "<>" when empty. The address is cut to 125
// characters so that the result holds at most 127; brackets, CR and LF
// inside it are dropped.
std::string NormaliseSender(std::string_view sender);

// The recipients of a ";"-separated list: every item trimmed, empty items
// skipped, CR and LF dropped.
std::vector<std::string> SplitRecipients(std::string_view list);

// What the dialogue expects next.
enum class ClientState : uint8_t {
  kHeloAnswer = 0,       // answer to HELO or EHLO
  kMailOrRcptAnswer = 1, // answer to MAIL or to a RCPT that is not the last
  kLastRcptAnswer = 2,
  kDataAnswer = 3,
  kMessageAnswer = 4,
  kQuitAnswer = 6,
  kGreetingHelo = 7,     // greeting; HELO follows (no authentication wanted)
  kGreetingEhlo = 8,     // greeting; EHLO follows (authentication wanted)
};

// One message to send.
struct SmtpJob {
  std::string host;        // host text as ParseSmtpHost reads it
  std::string message;     // the message in transmission form (dot-stuffed)
  std::string helo;        // HELO domain; "localhost" when empty; at most 127
  std::string user;        // authentication is wanted when not empty; at most 255
  std::string password;    // at most 255
  std::string recipients;  // ";"-separated list
  std::string sender;
  int reply_timeout_ms = 60000;  // the wait for each reply
};

// The message is written in blocks of this size, each in writes of at most
// kMessageWriteSize bytes.
inline constexpr size_t kMessageBlockSize = 65536;
inline constexpr size_t kMessageWriteSize = 2048;

// One SMTP dialogue on a worker thread. The thread starts when the object is
// made; WaitFor blocks until it has ended, and the destructor waits too. The
// results are read after WaitFor. No exception leaves the thread.
class TSMTPClientThread {
 public:
  TSMTPClientThread(SmtpConnector& connector, const SmtpJob& job);
  ~TSMTPClientThread();
  TSMTPClientThread(const TSMTPClientThread&) = delete;
  TSMTPClientThread& operator=(const TSMTPClientThread&) = delete;

  void WaitFor();
  // Asks the dialogue to end after the reply it is waiting for.
  void Terminate() { terminated_ = true; }

  bool Connected() const { return connected_; }
  bool Delivered() const { return delivered_; }
  const std::string& LastReply() const { return last_reply_; }
  // Everything the server sent, in order.
  const std::string& SessionLog() const { return session_log_; }
  ClientState State() const { return state_; }

 private:
  void Execute();
  void Dialogue();
  // Reads one reply into `reply`; false when the connection ended or the
  // wait timed out (the connection is then closed).
  bool ReadReply(std::string& reply);
  // One reply and its code, as the authentication reads them.
  int Exchange(const std::string& command, std::string& reply);
  void SendCommand(const std::string& command);
  void SendMessage();
  void Act(const std::string& reply);
  bool Authenticate();
  bool AuthenticateCramMd5();
  bool AuthenticateLogin();
  bool AuthenticatePlain();
  void CloseConnection() { connection_.reset(); }

  SmtpConnector& connector_;
  SmtpHost host_;
  std::string helo_, user_, password_, sender_, message_;
  std::vector<std::string> recipients_;
  int reply_timeout_ms_;
  size_t recipient_index_ = 0;
  std::unique_ptr<SmtpConnection> connection_;
  std::atomic<bool> terminated_{false};
  bool connected_ = false;
  bool delivered_ = false;
  std::string last_reply_;
  std::string session_log_;
  ClientState state_;
  std::thread thread_;
};

// Runs one dialogue and waits for it. True when the connection was made and
// the message accepted. Otherwise false and `error` is the server's last
// reply, or "Could not connect to host <host>" when no connection was made,
// or "No recipient" for a list without any (nothing is then connected).
bool SendMail(SmtpConnector& connector, const SmtpJob& job, std::string& error);

}  // namespace mailclient
