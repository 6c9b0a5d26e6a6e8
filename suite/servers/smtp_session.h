// The stand-in SMTP server's side of one connection: greeting, HELO/EHLO,
// MAIL, RCPT, DATA with dot-unstuffing, RSET, NOOP, QUIT. Plain SMTP, no
// extensions; lines longer than 1,000 characters and messages larger than
// 10 MB are refused.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace standin {

struct ReceivedMail {
  std::string from;
  std::vector<std::string> recipients;
  std::string data;  // the message with CR LF line ends, dots unstuffed
};

class SmtpSession {
 public:
  // `store` keeps a complete message; false makes the server answer 451.
  explicit SmtpSession(std::function<bool(const ReceivedMail&)> store) : store_(std::move(store)) {}

  static std::string Greeting() { return "220 localhost Tarno SMTP stand-in ready\r\n"; }
  // One line as received, without its CR LF; returns the reply (empty while
  // a message's lines are read).
  std::string OnLine(const std::string& line);
  bool closed() const { return closed_; }

 private:
  std::function<bool(const ReceivedMail&)> store_;
  ReceivedMail mail_;
  bool greeted_ = false;
  bool has_sender_ = false;
  bool in_data_ = false;
  bool too_large_ = false;
  bool closed_ = false;
};

}  // namespace standin
