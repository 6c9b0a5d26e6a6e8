#include "mailclient/smtp_client.h"

#include <algorithm>

#include "mailclient/base64.h"
#include "mailclient/hmac_md5.h"
#include "mailclient/smtp_reply.h"

namespace mailclient {
namespace {

constexpr size_t kMaxHeloLength = 127;
constexpr size_t kMaxCredentialLength = 255;
constexpr size_t kMaxSenderAddressLength = 125;  // 127 with the brackets
// What one reply may take from the server, continuation lines included: a
// server that sends continuation lines without end is not listened to forever.
constexpr size_t kMaxReplyTraffic = 65536;
constexpr char kMessageEnd[] = "\r\n.\r\n";

std::string_view Trim(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

// A text that goes into a command line: CR and LF would end the command and
// start another one of the data's choosing.
std::string WithoutLineBreaks(std::string_view text) {
  std::string result;
  for (char c : text)
    if (c != '\r' && c != '\n') result += c;
  return result;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

uint16_t ParsePort(std::string_view text) {
  if (text.empty() || text.size() > 5) return 25;
  unsigned value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 25;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value >= 1 && value <= 65535 ? static_cast<uint16_t>(value) : 25;
}

// The space-separated word at `index` (0-based) of `text`.
std::string_view Word(std::string_view text, size_t index) {
  size_t start = 0;
  for (;;) {
    while (start < text.size() && text[start] == ' ') ++start;
    size_t end = text.find(' ', start);
    if (end == std::string_view::npos) end = text.size();
    if (index == 0 || start >= text.size()) return text.substr(start, end - start);
    --index;
    start = end;
  }
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

SmtpHost ParseSmtpHost(std::string_view text) {
  text = Trim(text);
  SmtpHost result;
  std::string_view after_host;
  const size_t open = text.find('[');
  const size_t close = open == std::string_view::npos ? open : text.find(']', open);
  if (close != std::string_view::npos) {
    result.host = std::string(text.substr(open + 1, close - open - 1));
    result.numeric = true;
    after_host = text.substr(close + 1);
  } else {
    const size_t colon = text.find(':');
    result.host = std::string(text.substr(0, colon));
    result.numeric = result.host.empty() || !IsLetter(result.host.back());
    if (colon != std::string_view::npos) after_host = text.substr(colon);
  }
  if (!after_host.empty() && after_host.front() == ':') result.port = ParsePort(after_host.substr(1));
  return result;
}

std::string NormaliseSender(std::string_view sender) {
  const std::string text = WithoutLineBreaks(sender);
  std::string_view address = text;
  const size_t open = address.rfind('<');
  if (open != std::string_view::npos) {
    address.remove_prefix(open + 1);
    address = address.substr(0, address.find('>'));
  }
  std::string kept;
  for (char c : Trim(address))
    if (c != '<' && c != '>') kept += c;
  if (kept.size() > kMaxSenderAddressLength) kept.resize(kMaxSenderAddressLength);
  return "<" + kept + ">";
}

std::vector<std::string> SplitRecipients(std::string_view list) {
  std::vector<std::string> recipients;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string_view::npos) end = list.size();
    std::string item = WithoutLineBreaks(Trim(list.substr(start, end - start)));
    if (!item.empty()) recipients.push_back(std::move(item));
    start = end + 1;
  }
  return recipients;
}

TSMTPClientThread::TSMTPClientThread(SmtpConnector& connector, const SmtpJob& job)
    : connector_(connector),
      host_(ParseSmtpHost(job.host)),
      helo_(job.helo.empty() ? "localhost" : WithoutLineBreaks(job.helo).substr(0, kMaxHeloLength)),
      user_(WithoutLineBreaks(job.user).substr(0, kMaxCredentialLength)),
      password_(job.password.substr(0, kMaxCredentialLength)),
      sender_(NormaliseSender(job.sender)),
      message_(job.message),
      recipients_(SplitRecipients(job.recipients)),
      reply_timeout_ms_(job.reply_timeout_ms),
      state_(user_.empty() ? ClientState::kGreetingHelo : ClientState::kGreetingEhlo) {
  if (message_.size() < 5 || message_.compare(message_.size() - 5, 5, kMessageEnd) != 0) message_ += kMessageEnd;
  thread_ = std::thread(&TSMTPClientThread::Execute, this);
}

TSMTPClientThread::~TSMTPClientThread() { WaitFor(); }

void TSMTPClientThread::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

void TSMTPClientThread::Execute() {
  try {
    Dialogue();
  } catch (...) {
    // A failed write or an ended connection in the middle of an exchange
    // ends the dialogue; the flags say how far it came.
  }
  CloseConnection();
}

void TSMTPClientThread::Dialogue() {
  connection_ = connector_.Connect(host_);
  if (!connection_) return;
  connected_ = true;
  std::string reply;
  while (!terminated_ && connection_) {
    if (!ReadReply(reply)) return;
    Act(reply);
  }
}

bool TSMTPClientThread::ReadReply(std::string& reply) {
  reply.clear();
  size_t traffic = 0;
  char buffer[kReplyReadSize];
  for (;;) {
    if (!connection_) return false;
    if (!connection_->WaitReadable(reply_timeout_ms_)) {
      CloseConnection();
      terminated_ = true;
      return false;
    }
    const int read = connection_->Receive(buffer, static_cast<int>(sizeof buffer));
    if (read <= 0) {
      CloseConnection();
      return false;
    }
    const std::string_view data(buffer, static_cast<size_t>(read));
    traffic += data.size();
    if (traffic > kMaxReplyTraffic) {
      CloseConnection();
      return false;
    }
    session_log_.append(data);
    if (AppendReplyData(reply, data)) return true;
  }
}

void TSMTPClientThread::SendCommand(const std::string& command) {
  if (!connection_) throw SmtpError("the connection is closed");
  connection_->Send(command + "\r\n");
}

int TSMTPClientThread::Exchange(const std::string& command, std::string& reply) {
  SendCommand(command);
  if (!ReadReply(reply)) throw SmtpError("the connection ended during authentication");
  last_reply_ = reply;
  return ReplyCode(reply);
}

void TSMTPClientThread::SendMessage() {
  for (size_t block = 0; block < message_.size(); block += kMessageBlockSize) {
    const size_t block_end = std::min(message_.size(), block + kMessageBlockSize);
    for (size_t piece = block; piece < block_end; piece += kMessageWriteSize)
      connection_->Send(std::string_view(message_).substr(piece, std::min(kMessageWriteSize, block_end - piece)));
  }
}

void TSMTPClientThread::Act(const std::string& reply) {
  last_reply_ = reply;
  const int code = ReplyCode(reply);
  const bool ok = code == 220 || code == 250;
  switch (state_) {
    case ClientState::kGreetingHelo:
    case ClientState::kGreetingEhlo:
      if (!ok) break;
      SendCommand((state_ == ClientState::kGreetingHelo ? "HELO " : "EHLO ") + helo_);
      state_ = ClientState::kHeloAnswer;
      return;
    case ClientState::kHeloAnswer:
      if (!ok || recipients_.empty()) break;
      if (!user_.empty() && !Authenticate()) break;
      SendCommand("MAIL From:" + sender_);
      state_ = ClientState::kMailOrRcptAnswer;
      recipient_index_ = 0;
      return;
    case ClientState::kMailOrRcptAnswer:
      if (code != 250) break;
      ++recipient_index_;
      if (recipient_index_ == recipients_.size()) state_ = ClientState::kLastRcptAnswer;
      SendCommand("RCPT To:" + recipients_[recipient_index_ - 1]);
      return;
    case ClientState::kLastRcptAnswer:
      if (code != 250) break;
      SendCommand("DATA");
      state_ = ClientState::kDataAnswer;
      return;
    case ClientState::kDataAnswer:
      if (code != 354) break;
      state_ = ClientState::kMessageAnswer;
      SendMessage();
      return;
    case ClientState::kMessageAnswer:
      if (code != 250) break;
      delivered_ = true;
      SendCommand("QUIT");
      state_ = ClientState::kQuitAnswer;
      return;
    case ClientState::kQuitAnswer:
      break;
  }
  CloseConnection();
}

bool TSMTPClientThread::Authenticate() {
  // The server's EHLO answer is the end of the session log by now.
  if (!Contains(session_log_, "AUTH")) return true;
  bool done = false;
  if (Contains(session_log_, "CRAM-MD5")) {
    done = AuthenticateCramMd5();
    if (done) return true;
  } else if (Contains(session_log_, "LOGIN")) {
    return AuthenticateLogin();
  }
  if (Contains(session_log_, "PLAIN")) done = AuthenticatePlain();
  return done;
}

bool TSMTPClientThread::AuthenticateCramMd5() {
  std::string reply;
  if (Exchange("AUTH CRAM-MD5", reply) / 100 != 3) return false;
  std::string challenge;
  if (!Base64Decode(Word(reply, 1), challenge)) return false;
  const std::string digest = HexDigest(HmacMd5(password_, challenge));
  return Exchange(Base64Encode(user_ + " " + digest), reply) / 100 == 2;
}

bool TSMTPClientThread::AuthenticateLogin() {
  std::string reply;
  if (Exchange("AUTH LOGIN", reply) / 100 != 3) return false;
  if (Exchange(Base64Encode(user_), reply) / 100 != 3) return false;
  return Exchange(Base64Encode(password_), reply) / 100 == 2;
}

bool TSMTPClientThread::AuthenticatePlain() {
  std::string reply;
  const std::string credentials = std::string(1, '\0') + user_ + std::string(1, '\0') + password_;
  return Exchange("AUTH PLAIN " + Base64Encode(credentials), reply) / 100 == 2;
}

bool SendMail(SmtpConnector& connector, const SmtpJob& job, std::string& error) {
  error.clear();
  if (SplitRecipients(job.recipients).empty()) {
    error = "No recipient";
    return false;
  }
  TSMTPClientThread thread(connector, job);
  thread.WaitFor();
  if (thread.Connected() && thread.Delivered()) return true;
  error = thread.Connected() ? thread.LastReply() : "Could not connect to host " + job.host;
  return false;
}

}  // namespace mailclient
