#include "smtp_session.h"

#include <cctype>

namespace standin {
namespace {

constexpr size_t kMaxLine = 1000;
constexpr size_t kMaxMessage = 10 * 1024 * 1024;

std::string Verb(const std::string& line) {
  std::string verb;
  for (char c : line.substr(0, line.find(' '))) verb += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return verb;
}

// The address of "MAIL FROM:<a@b>" / "RCPT TO:<a@b>": what follows the
// colon, without the angle brackets; false when the line lacks the prefix.
bool Address(const std::string& line, const std::string& prefix, std::string& address) {
  if (line.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(line[i])) != prefix[i]) return false;
  std::string rest = line.substr(prefix.size());
  while (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
  size_t open = rest.find('<'), close = rest.find('>');
  address = open == 0 && close != std::string::npos ? rest.substr(1, close - 1) : rest.substr(0, rest.find(' '));
  return true;
}

}  // namespace

std::string SmtpSession::OnLine(const std::string& line) {
  if (in_data_) {
    if (line == ".") {
      in_data_ = false;
      ReceivedMail mail = std::move(mail_);
      mail_ = {};
      has_sender_ = false;
      if (too_large_) return "552 Message too large\r\n";
      return store_(mail) ? "250 Message accepted\r\n" : "451 Message could not be stored\r\n";
    }
    if (line.size() + mail_.data.size() + 2 > kMaxMessage) too_large_ = true;
    if (!too_large_) mail_.data += (line.starts_with(".") ? line.substr(1) : line) + "\r\n";
    return {};
  }
  if (line.size() > kMaxLine) return "500 Line too long\r\n";
  const std::string verb = Verb(line);
  std::string address;
  if (verb == "HELO" || verb == "EHLO") {
    greeted_ = true;
    mail_ = {};
    has_sender_ = false;
    return "250 localhost\r\n";
  }
  if (verb == "QUIT") {
    closed_ = true;
    return "221 Bye\r\n";
  }
  if (verb == "NOOP") return "250 OK\r\n";
  if (verb == "RSET") {
    mail_ = {};
    has_sender_ = false;
    return "250 OK\r\n";
  }
  if (verb == "MAIL") {
    if (!greeted_) return "503 Say HELO first\r\n";
    if (!Address(line, "MAIL FROM:", address)) return "501 Syntax: MAIL FROM:<address>\r\n";
    mail_ = {};
    mail_.from = address;
    has_sender_ = true;
    return "250 OK\r\n";
  }
  if (verb == "RCPT") {
    if (!has_sender_) return "503 Need MAIL first\r\n";
    if (!Address(line, "RCPT TO:", address) || address.empty()) return "501 Syntax: RCPT TO:<address>\r\n";
    mail_.recipients.push_back(address);
    return "250 OK\r\n";
  }
  if (verb == "DATA") {
    if (mail_.recipients.empty()) return "503 No recipients\r\n";
    in_data_ = true;
    too_large_ = false;
    return "354 End data with <CR><LF>.<CR><LF>\r\n";
  }
  return "500 Command not recognized\r\n";
}

}  // namespace standin
