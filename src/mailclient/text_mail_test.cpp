// The text mail as it goes over the wire, and the installation report with
// the hosts it tries.
#include "mailclient/text_mail.h"

#include <gtest/gtest.h>

#include "mailclient/installation_report.h"
#include "support/smtp_test_doubles.h"

namespace mailclient {
namespace {

const std::vector<std::string> kAccepting = {"220 a\r\n", "250 b\r\n", "250 c\r\n", "250 d\r\n",
                                             "354 e\r\n", "250 f\r\n", "221 g\r\n"};

// The message data the scripted server received (between DATA and QUIT).
std::string DataOf(const ScriptedServer& server) {
  const size_t start = server.written.find("DATA\r\n");
  const size_t end = server.written.rfind("QUIT\r\n");
  if (start == std::string::npos || end == std::string::npos) return "(no message in: " + server.written + ")";
  return server.written.substr(start + 6, end - start - 6);
}

TEST(TextMail, DateHeaderLinesBodyAndEnd) {
  MailTime time{2026, 12, 6, 0, 23, 49, 58, 60};
  EXPECT_EQ(FormatMailDate(time), "Sun, 6 Dec 2026 23:49:58 +0100");
  time = {2027, 1, 15, 5, 7, 5, 9, -300};
  EXPECT_EQ(FormatMailDate(time), "Fri, 15 Jan 2027 07:05:09 -0500");

  EXPECT_EQ(ComposeTextMail(time, "a@x;b@x", "me@x", "", "line one\r\nline two", "Hi"),
            "Date: Fri, 15 Jan 2027 07:05:09 -0500\r\nSubject: Hi\r\nFrom: me@x\r\nTo: a@x;b@x\r\n\r\n"
            "line one\r\nline two\r\n\r\n.\r\n");
  EXPECT_NE(ComposeTextMail(time, "a@x", "me@x", "r@x", "", "Hi").find("From: me@x\r\nReply-To: r@x\r\nTo: a@x\r\n"),
            std::string::npos);
}

// Data never starts a header line nor ends the message early.
TEST(TextMail, HeaderValuesAndBodyLinesCannotBreakOut) {
  const MailTime time;
  const std::string text = ComposeTextMail(time, "a@x\r\nBcc: all@x", "me@x", "r@x\nX-Evil: 1", 
                                           ".\r\n..two\n.three\rQUIT\r\n", "Hi\r\nX-Injected: yes");
  EXPECT_NE(text.find("Subject: Hi  X-Injected: yes\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("To: a@x  Bcc: all@x\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Reply-To: r@x X-Evil: 1\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\n\r\n..\r\n...two\r\n..three\r\nQUIT\r\n\r\n.\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("\r\n.\r\n"), text.size() - 5) << "only the last line is a lone dot: " << text;
}

InstallationReport Report() {
  InstallationReport report;
  report.UserName = "Tom & <Jerry>";
  report.UserEmail = "tom@example.com";
  report.UserCompany = "M\xfcller GmbH";
  report.UserCountry = "";
  report.ProductName = "Tarno Mail Server";
  report.Version = "8.3.8";
  report.PreviousVersion = "8.2.1";
  report.Subject = "Tarno Mail Server 8.3.8 Setup";
  report.DemoMessage = "Demonstration message";
  report.DemoMessageSubject = "Demonstration message";
  return report;
}

TEST(InstallationReport, DocumentEscapesTextsAndNamesThePreviousVersionOnlyOnAnUpgrade) {
  InstallationReport report = Report();
  EXPECT_EQ(BuildReportDocument(report, "20261206"),
            "<?xml version=\"1.0\"?>\r\n<SETUP><NAME>Tom &amp; &lt;Jerry&gt;</NAME>\r\n"
            "<EMAIL>tom@example.com</EMAIL>\r\n<COMPANY>M\xc3\xbcller GmbH</COMPANY>\r\n<COUNTRY/>\r\n"
            "<PRODUCT>Tarno Mail Server</PRODUCT>\r\n<VERSION>8.3.8</VERSION>\r\n<DATE>20261206</DATE>\r\n"
            "</SETUP>\r\n\r\n");
  report.Upgrade = true;
  EXPECT_NE(BuildReportDocument(report, "20261206").find("<DATE>20261206</DATE>\r\n<PREVIOUS_VERSION>8.2.1"
                                                         "</PREVIOUS_VERSION>\r\n</SETUP>"),
            std::string::npos);
}

// A fresh installation: the report through the local server, then the
// demonstration message into the demo domain.
TEST(InstallationReport, NewInstallationSendsReportAndDemonstrationMessage) {
  ScriptedTransport transport;
  auto local = transport.Serve("127.0.0.1", kAccepting);
  InstallationReport report = Report();
  // The demo message is a second dialogue with the same scripted server.
  local->replies.insert(local->replies.end(), kAccepting.begin(), kAccepting.end());
  SendInstallationReport(transport, report, true);
  EXPECT_EQ(transport.connects, (std::vector<std::string>{"127.0.0.1:25", "127.0.0.1:25"}));
  const std::string& written = local->written;
  EXPECT_NE(written.find("MAIL From:<setup-report@tarno.example>\r\nRCPT To:setup-report@tarno.example\r\n"),
            std::string::npos)
      << written;
  EXPECT_NE(written.find("Subject: Tarno Mail Server 8.3.8 Setup\r\n"), std::string::npos) << written;
  EXPECT_NE(written.find("<DATE>20261206</DATE>"), std::string::npos) << written;
  EXPECT_NE(written.find("MAIL From:<john@tarnodemo.example>\r\nRCPT To:admin@tarnodemo.example\r\n"),
            std::string::npos)
      << written;
  EXPECT_NE(written.find("Subject: Demonstration message\r\nFrom: john@tarnodemo.example\r\n"
                         "Reply-To: john@tarnodemo.example\r\nTo: admin@tarnodemo.example\r\n\r\n"
                         "Demonstration message\r\n\r\n.\r\n"),
            std::string::npos)
      << written;
}

// The local server refuses: the report goes to the maker's mail host; an
// upgrade sends no demonstration message; nothing that fails is raised.
TEST(InstallationReport, RefusedLocalServerFallsBackToTheMakersHost) {
  ScriptedTransport transport;
  auto maker = transport.Serve("mail.tarno.example", kAccepting);
  InstallationReport report = Report();
  report.Upgrade = true;
  SendInstallationReport(transport, report, false);
  EXPECT_EQ(transport.connects, (std::vector<std::string>{"127.0.0.1:25", "mail.tarno.example:25"}));
  EXPECT_NE(DataOf(*maker).find("<PREVIOUS_VERSION>8.2.1</PREVIOUS_VERSION>"), std::string::npos) << DataOf(*maker);

  ScriptedTransport nobody;
  SendInstallationReport(nobody, report, true);
  EXPECT_EQ(nobody.connects,
            (std::vector<std::string>{"127.0.0.1:25", "mail.tarno.example:25", "127.0.0.1:25"}));
}

}  // namespace
}  // namespace mailclient
