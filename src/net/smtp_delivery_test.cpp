// The SMTP client over WinSock: against aiosmtpd servers on 127.0.0.1
// (delivery read back byte for byte, each authentication mechanism), and
// against scripted servers of this test for the failure cases.
#include "net/winsock_mail_transport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "servers/test_servers.h"

namespace mailclient {
namespace {

using test_servers::Port;
using test_servers::ReadFile;
using test_servers::StateDir;

std::string Local(int port) { return "127.0.0.1:" + std::to_string(port); }

SmtpJob JobTo(int port, const std::string& user = "", const std::string& password = "") {
  SmtpJob job;
  job.host = Local(port);
  job.message = "x\r\n";
  job.recipients = "a@x.example";
  job.sender = "s@x.example";
  job.user = user;
  job.password = password;
  return job;
}

// The part of a message after its "Date:" line, which holds the time now.
std::string AfterDate(const std::string& message) {
  const size_t line_end = message.find("\r\n");
  if (message.rfind("Date: ", 0) != 0 || line_end == std::string::npos) return "(no Date line: " + message + ")";
  return message.substr(line_end + 2);
}

// How many messages the aiosmtpd server `name` has taken so far.
int Received(const std::string& name) {
  int count = 0;
  while (::GetFileAttributesA((StateDir() + name + "-" + std::to_string(count + 1) + ".eml").c_str()) !=
         INVALID_FILE_ATTRIBUTES)
    ++count;
  return count;
}
std::string Message(const std::string& name, int n) {
  return ReadFile(StateDir() + name + "-" + std::to_string(n) + ".eml");
}
std::string Envelope(const std::string& name, int n) {
  return ReadFile(StateDir() + name + "-" + std::to_string(n) + ".env");
}

// Accepts one connection, greets with replies[0] and answers each command
// line (the message data as a whole) with the next reply; closes when none
// is left. With no replies it greets nobody and only waits for the client to
// go. Records what it received.
class ScriptedSmtpServer {
 public:
  explicit ScriptedSmtpServer(std::vector<std::string> replies)
      : thread_([this, replies] { Serve(replies); }) {}
  ~ScriptedSmtpServer() { Join(); }
  int port() const { return listener_.port(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  const std::string& received() const { return received_; }

 private:
  void Serve(const std::vector<std::string>& replies) {
    SOCKET client = listener_.Accept(20000);
    if (client == INVALID_SOCKET) return;
    size_t next = 0;
    bool data = false;
    std::string pending;
    auto reply = [&] {
      if (next >= replies.size()) return false;
      data = replies[next].rfind("354", 0) == 0;
      ::send(client, replies[next].data(), static_cast<int>(replies[next].size()), 0);
      ++next;
      return true;
    };
    if (replies.empty() || reply()) {
      char buffer[4096];
      for (;;) {
        timeval wait{20, 0};
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(client, &readable);
        if (::select(0, &readable, nullptr, nullptr, &wait) != 1) break;
        const int n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        received_.append(buffer, static_cast<size_t>(n));
        pending.append(buffer, static_cast<size_t>(n));
        size_t end;
        bool more = true;
        while (more && (end = pending.find(data ? "\r\n.\r\n" : "\r\n")) != std::string::npos) {
          pending.erase(0, end + (data ? 5 : 2));
          more = reply();
        }
        if (!more) break;
      }
    }
    ::closesocket(client);
  }

  test_servers::Listener listener_;
  std::string received_;
  std::thread thread_;
};

InstallationReport Report() {
  InstallationReport report;
  report.UserName = "Anna & Co <test>";
  report.UserEmail = "anna@example.com";
  report.UserCompany = "Caf\xe9 Ltd";
  report.UserCountry = "Austria";
  report.ProductName = "Tarno Mail Server";
  report.Version = "8.3.8";
  report.Subject = "Tarno Mail Server 8.3.8 Setup";
  report.DemoMessage = "Demonstration message";
  report.DemoMessageSubject = "Demonstration message";
  return report;
}

// A fresh installation's report and demonstration message arrive at the
// local server exactly as composed.
TEST(SmtpDelivery, ReportAndDemonstrationMessageArriveByteForByte) {
  const int before = Received("open");
  InstallationReport report = Report();
  report.LocalMailHost = Local(Port("open"));
  report.ReportMailHost = Local(test_servers::RefusingPort());
  SendInstallationReport(report, true);
  ASSERT_EQ(Received("open"), before + 2);

  WinsockMailTransport transport;
  const MailTime now = transport.Now();
  char date[16];
  std::snprintf(date, sizeof date, "%.4d%.2d%.2d", now.year, now.month, now.day);
  EXPECT_EQ(AfterDate(Message("open", before + 1)),
            "Subject: Tarno Mail Server 8.3.8 Setup\r\nFrom: setup-report@tarno.example\r\n"
            "Reply-To: setup-report@tarno.example\r\nTo: setup-report@tarno.example\r\n\r\n"
            "<?xml version=\"1.0\"?>\r\n<SETUP><NAME>Anna &amp; Co &lt;test&gt;</NAME>\r\n"
            "<EMAIL>anna@example.com</EMAIL>\r\n<COMPANY>Caf\xc3\xa9 Ltd</COMPANY>\r\n<COUNTRY>Austria</COUNTRY>\r\n"
            "<PRODUCT>Tarno Mail Server</PRODUCT>\r\n<VERSION>8.3.8</VERSION>\r\n<DATE>" +
                std::string(date) + "</DATE>\r\n</SETUP>\r\n\r\n\r\n");
  EXPECT_EQ(Envelope("open", before + 1), "setup-report@tarno.example\nsetup-report@tarno.example\n");
  EXPECT_EQ(AfterDate(Message("open", before + 2)),
            "Subject: Demonstration message\r\nFrom: john@tarnodemo.example\r\nReply-To: john@tarnodemo.example\r\n"
            "To: admin@tarnodemo.example\r\n\r\nDemonstration message\r\n\r\n");
  EXPECT_EQ(Envelope("open", before + 2), "john@tarnodemo.example\nadmin@tarnodemo.example\n");
}

// Body lines that begin with "." arrive as written; three recipients each
// get their RCPT.
TEST(SmtpDelivery, DottedLinesAndThreeRecipients) {
  const int before = Received("open");
  WinsockMailTransport transport;
  const std::string body = ".\r\n..\r\n.hidden\r\nQUIT\r\n. \r\nend";
  ASSERT_TRUE(SendTextMail(transport, "a@x.example;b@x.example;c@x.example;", "setup@tarno.example", "",
                           Local(Port("open")), body, "Dots"));
  ASSERT_EQ(Received("open"), before + 1);
  EXPECT_EQ(AfterDate(Message("open", before + 1)),
            "Subject: Dots\r\nFrom: setup@tarno.example\r\nTo: a@x.example;b@x.example;c@x.example;\r\n\r\n" + body +
                "\r\n\r\n");
  EXPECT_EQ(Envelope("open", before + 1), "setup@tarno.example\na@x.example\nb@x.example\nc@x.example\n");
}

// Each mechanism against a server that offers only it and takes mail only
// after it; a wrong password is refused.
TEST(SmtpDelivery, EachAuthenticationMechanism) {
  WinsockMailTransport transport;
  for (const char* name : {"cram", "login", "plain"}) {
    const int before = Received(name);
    SmtpJob job = JobTo(Port(name), "tarno", "s3cret pass");
    std::string error;
    EXPECT_TRUE(SendMail(transport, job, error)) << name << ": " << error;
    EXPECT_EQ(Received(name), before + 1) << name;
    job.password = "wrong";
    EXPECT_FALSE(SendMail(transport, job, error)) << name;
    EXPECT_EQ(error.substr(0, 3), "535") << name << ": " << error;
    EXPECT_EQ(Received(name), before + 1) << name;
  }
}

TEST(SmtpDelivery, GreetingRefusedEndsAtOnce) {
  ScriptedSmtpServer server({"554 no service here\r\n"});
  WinsockMailTransport transport;
  SmtpJob job = JobTo(server.port());
  std::string error;
  EXPECT_FALSE(SendMail(transport, job, error));
  EXPECT_EQ(error, "554 no service here");
  server.Join();
  EXPECT_EQ(server.received(), "") << "no HELO after a 554 greeting";
}

TEST(SmtpDelivery, MultiLineEhloAnswerIsOneReply) {
  ScriptedSmtpServer server({"220 scripted\r\n", "250-scripted\r\n250-SIZE 1000\r\n250 AUTH PLAIN\r\n",
                             "235 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 queued\r\n", "221 bye\r\n"});
  WinsockMailTransport transport;
  SmtpJob job = JobTo(server.port(), "u", "p");
  std::string error;
  EXPECT_TRUE(SendMail(transport, job, error)) << error;
  server.Join();
  EXPECT_EQ(server.received(),
            "EHLO localhost\r\nAUTH PLAIN AHUAcA==\r\nMAIL From:<s@x.example>\r\nRCPT To:a@x.example\r\nDATA\r\n"
            "x\r\n\r\n.\r\nQUIT\r\n")
      << "the end of the message is appended";
}

// A server that accepts and never answers: the wait for the greeting ends.
TEST(SmtpDelivery, SilentServerEndsWithinTheReplyTimeOut) {
  ScriptedSmtpServer server({});
  WinsockMailTransport transport;
  SmtpJob job = JobTo(server.port());
  job.reply_timeout_ms = 1500;
  const auto start = std::chrono::steady_clock::now();
  std::string error;
  EXPECT_FALSE(SendMail(transport, job, error));
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(seconds, 1.4);
  EXPECT_LT(seconds, 10.0);
  EXPECT_EQ(error, "") << "connected, no reply";
}

// The local server refuses: the report goes to the maker's host; an upgrade
// sends no demonstration message.
TEST(SmtpDelivery, RefusedLocalServerFallsBackToTheMakersHost) {
  const int before = Received("open");
  InstallationReport report = Report();
  report.Upgrade = true;
  report.PreviousVersion = "8.2.1";
  report.LocalMailHost = Local(test_servers::RefusingPort());
  report.ReportMailHost = Local(Port("open"));
  SendInstallationReport(report, false);
  ASSERT_EQ(Received("open"), before + 1);
  EXPECT_NE(Message("open", before + 1).find("<PREVIOUS_VERSION>8.2.1</PREVIOUS_VERSION>\r\n</SETUP>"),
            std::string::npos)
      << Message("open", before + 1);

  std::string error;
  WinsockMailTransport transport;
  SmtpJob job = JobTo(0);
  job.host = report.LocalMailHost;
  EXPECT_FALSE(SendMail(transport, job, error));
  EXPECT_EQ(error, "Could not connect to host " + report.LocalMailHost);
}

}  // namespace
}  // namespace mailclient
