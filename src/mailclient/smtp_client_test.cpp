// The SMTP dialogue against scripted servers: the commands it writes for the
// replies it reads, authentication, and how it ends on failures.
#include "mailclient/smtp_client.h"

#include <gtest/gtest.h>

#include "mailclient/base64.h"
#include "mailclient/hmac_md5.h"
#include "mailclient/smtp_reply.h"
#include "support/smtp_test_doubles.h"

namespace mailclient {
namespace {

SmtpJob Job(const std::string& recipients, const std::string& user = "", const std::string& password = "") {
  SmtpJob job;
  job.host = "mx.test";
  job.message = "Subject: x\r\n\r\nhello\r\n.\r\n";
  job.recipients = recipients;
  job.sender = "Setup <setup@tarno.example>";
  job.user = user;
  job.password = password;
  return job;
}

TEST(SmtpText, Base64AndDigestsMatchTheirStandards) {
  EXPECT_EQ(Base64Encode(""), "");
  EXPECT_EQ(Base64Encode("f"), "Zg==");
  EXPECT_EQ(Base64Encode("fo"), "Zm8=");
  EXPECT_EQ(Base64Encode("foobar"), "Zm9vYmFy");
  std::string decoded;
  EXPECT_TRUE(Base64Decode("Zm9vYg==", decoded));
  EXPECT_EQ(decoded, "foob");
  EXPECT_TRUE(Base64Decode("Zm9vYg", decoded)) << "padding may be missing";
  EXPECT_EQ(decoded, "foob");
  EXPECT_FALSE(Base64Decode("Zm9v!", decoded));
  EXPECT_FALSE(Base64Decode("Zm9vY", decoded)) << "a single character of a group";
  EXPECT_EQ(HexDigest(Md5("")), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(HexDigest(Md5("The quick brown fox jumps over the lazy dog")), "9e107d9d372bb6826bd81d3542a419d6");
  EXPECT_EQ(HexDigest(Md5(std::string(56, 'a'))), "3b0c8ac703f828b04c6c197006d17218") << "length in a second block";
  // RFC 2104's test vectors; the third has a key longer than a block only in RFC 2202.
  EXPECT_EQ(HexDigest(HmacMd5(std::string(16, '\x0b'), "Hi There")), "9294727a3638bb1c13f48ef8158bfc9d");
  EXPECT_EQ(HexDigest(HmacMd5("Jefe", "what do ya want for nothing?")), "750c783e6ab0b503eaa86e310a5db738");
  EXPECT_EQ(HexDigest(HmacMd5(std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First")),
            "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd");
}

TEST(SmtpReply, ContinuationLinesAreDroppedAndTheReplyEndsAtItsLastLine) {
  std::string reply;
  EXPECT_FALSE(AppendReplyData(reply, "250-mx.test\r\n250-AU"));
  EXPECT_EQ(reply, "250-AU");
  EXPECT_FALSE(AppendReplyData(reply, "TH PLAIN\r\n250 HELP"));
  EXPECT_TRUE(AppendReplyData(reply, "\r\n"));
  EXPECT_EQ(reply, "250 HELP");
  EXPECT_EQ(ReplyCode(reply), 250);
  EXPECT_EQ(ReplyCode("25"), 0);
  EXPECT_EQ(ReplyCode("2x0 no"), 0);

  reply.clear();
  EXPECT_FALSE(AppendReplyData(reply, std::string(999, 'a')));
  EXPECT_TRUE(AppendReplyData(reply, "b")) << "a reply ends at 1,000 characters without a line end";
}

TEST(SmtpAddresses, HostSenderAndRecipients) {
  struct Case {
    const char* text;
    const char* host;
    bool numeric;
    uint16_t port;
  };
  for (const Case& c : {Case{" mail.example.com ", "mail.example.com", false, 25},
                        Case{"mail.example.com:2525", "mail.example.com", false, 2525},
                        Case{"127.0.0.1:587", "127.0.0.1", true, 587},
                        Case{"[10.0.0.1]:26", "10.0.0.1", true, 26},
                        Case{"host9", "host9", true, 25},
                        Case{"mx.test:99999", "mx.test", false, 25},
                        Case{"mx.test:abc", "mx.test", false, 25}}) {
    SmtpHost host = ParseSmtpHost(c.text);
    EXPECT_EQ(host.host, c.host) << c.text;
    EXPECT_EQ(host.numeric, c.numeric) << c.text;
    EXPECT_EQ(host.port, c.port) << c.text;
  }
  EXPECT_EQ(NormaliseSender(""), "<>");
  EXPECT_EQ(NormaliseSender(" a@b.c "), "<a@b.c>");
  EXPECT_EQ(NormaliseSender("A <x@y> B < a@b.c > tail"), "<a@b.c>");
  EXPECT_EQ(NormaliseSender("a@b.c\r\nRCPT To:x@y"), "<a@b.cRCPT To:x@y>");
  EXPECT_EQ(NormaliseSender(std::string(200, 'a')).size(), 127u);
  EXPECT_EQ(SplitRecipients("a@x;b@x; c@x ;"), (std::vector<std::string>{"a@x", "b@x", "c@x"}));
  EXPECT_EQ(SplitRecipients(";;  ;"), std::vector<std::string>{});
  EXPECT_EQ(SplitRecipients("a@x\r\nDATA"), std::vector<std::string>{"a@xDATA"});
}

// Three addresses each followed by ";": MAIL, three RCPT, DATA, the message
// unchanged, QUIT.
TEST(SmtpDialogue, DeliversToEveryRecipient) {
  ScriptedTransport transport;
  auto server = transport.Serve("mx.test", {"220 mx.test ESMTP\r\n", "250 hello\r\n", "250 ok\r\n", "250 ok\r\n",
                                            "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 queued\r\n", "221 bye\r\n"});
  std::string error;
  EXPECT_TRUE(SendMail(transport, Job("a@x;b@x;c@x;"), error)) << error;
  EXPECT_EQ(server->written,
            "HELO localhost\r\nMAIL From:<setup@tarno.example>\r\nRCPT To:a@x\r\nRCPT To:b@x\r\nRCPT To:c@x\r\n"
            "DATA\r\nSubject: x\r\n\r\nhello\r\n.\r\nQUIT\r\n");
  EXPECT_TRUE(server->closed);
  for (int wait : server->waits) EXPECT_EQ(wait, 60000);
}

// Two addresses with one ";" between them get a RCPT each (the first
// description sent only the first).
TEST(SmtpDialogue, TwoRecipientsGetTwoRcpt) {
  ScriptedTransport transport;
  auto server = transport.Serve("mx.test", {"220 a\r\n", "250 b\r\n", "250 c\r\n", "250 d\r\n", "250 e\r\n",
                                            "354 f\r\n", "250 g\r\n", "221 h\r\n"});
  std::string error;
  EXPECT_TRUE(SendMail(transport, Job("a@x;b@x"), error)) << error;
  EXPECT_NE(server->written.find("RCPT To:a@x\r\nRCPT To:b@x\r\nDATA\r\n"), std::string::npos) << server->written;
}

TEST(SmtpDialogue, FailuresEndTheDialogueWithTheReasonKnown) {
  {
    ScriptedTransport transport;
    auto server = transport.Serve("mx.test", {"554 no service\r\n"});
    std::string error;
    EXPECT_FALSE(SendMail(transport, Job("a@x"), error));
    EXPECT_EQ(error, "554 no service");
    EXPECT_EQ(server->written, "") << "no HELO after a 554 greeting";
  }
  {
    ScriptedTransport transport;
    std::string error;
    SmtpJob job = Job("a@x");
    job.host = "refusing.test:2600";
    EXPECT_FALSE(SendMail(transport, job, error));
    EXPECT_EQ(error, "Could not connect to host refusing.test:2600");
    EXPECT_EQ(transport.connects, std::vector<std::string>{"refusing.test:2600"});
  }
  {
    // Silent after the greeting: the wait times out, the dialogue ends.
    ScriptedTransport transport;
    auto server = transport.Serve("mx.test", {"220 a\r\n"});
    std::string error;
    SmtpJob job = Job("a@x");
    job.reply_timeout_ms = 1234;
    EXPECT_FALSE(SendMail(transport, job, error));
    EXPECT_EQ(error, "220 a");
    EXPECT_EQ(server->waits, (std::vector<int>{1234, 1234}));
    EXPECT_TRUE(server->closed);
  }
  {
    ScriptedTransport transport;
    auto server = transport.Serve("mx.test", {"220 a\r\n", "250 b\r\n", "250 c\r\n", "550 no such user\r\n"});
    std::string error;
    EXPECT_FALSE(SendMail(transport, Job("a@x;b@x"), error));
    EXPECT_EQ(error, "550 no such user");
    EXPECT_EQ(server->written.find("DATA"), std::string::npos) << server->written;
  }
  {
    ScriptedTransport transport;
    std::string error;
    EXPECT_FALSE(SendMail(transport, Job(" ; "), error));
    EXPECT_EQ(error, "No recipient");
    EXPECT_TRUE(transport.connects.empty());
  }
}

// A server that sends continuation lines without end is not read forever.
TEST(SmtpDialogue, EndlessContinuationLinesEndTheDialogue) {
  ScriptedTransport transport;
  std::vector<std::string> replies(1000, "250-" + std::string(200, 'x') + "\r\n");
  auto server = transport.Serve("mx.test", replies);
  std::string error;
  EXPECT_FALSE(SendMail(transport, Job("a@x"), error));
  EXPECT_GT(server->replies.size(), 500u) << "read far beyond the limit";
}

TEST(SmtpDialogue, MessageIsWrittenInPiecesOfAtMost2048Bytes) {
  ScriptedTransport transport;
  auto server = transport.Serve("mx.test", {"220 a\r\n", "250 b\r\n", "250 c\r\n", "250 d\r\n", "354 e\r\n",
                                            "250 f\r\n", "221 g\r\n"});
  SmtpJob job = Job("a@x");
  job.message = std::string(70000, 'm');  // the end of message is appended
  std::string error;
  ASSERT_TRUE(SendMail(transport, job, error)) << error;
  size_t total = 0;
  for (size_t size : server->write_sizes) {
    EXPECT_LE(size, kMessageWriteSize);
    if (size > 100) total += size;
  }
  EXPECT_EQ(total, 70005u) << "the message and its appended end, in pieces";
  EXPECT_NE(server->written.find(std::string(100, 'm') + "\r\n.\r\nQUIT\r\n"), std::string::npos);
}

// RFC 2195's example exchange.
TEST(SmtpAuthentication, CramMd5AnswersTheChallenge) {
  ScriptedTransport transport;
  auto server = transport.Serve(
      "mx.test", {"220 a\r\n", "250-mx\r\n250-AUTH LOGIN CRAM-MD5 PLAIN\r\n250 OK\r\n",
                  "334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+\r\n", "235 ok\r\n", "250 c\r\n",
                  "250 d\r\n", "354 e\r\n", "250 f\r\n", "221 g\r\n"});
  std::string error;
  ASSERT_TRUE(SendMail(transport, Job("a@x", "tim", "tanstaaftanstaaf"), error)) << error;
  EXPECT_EQ(server->written.rfind(
                "EHLO localhost\r\nAUTH CRAM-MD5\r\ndGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw\r\nMAIL From:", 0),
            0u)
      << server->written;
}

TEST(SmtpAuthentication, LoginPlainAndTheirOrder) {
  struct Case {
    const char* name;
    std::vector<std::string> replies;
    bool delivered;
    const char* written_start;
  };
  const std::string ehlo_login = "250-mx\r\n250 AUTH LOGIN PLAIN\r\n";
  const std::string ehlo_all = "250-mx\r\n250 AUTH CRAM-MD5 PLAIN\r\n";
  const std::string rest[] = {"250 c\r\n", "250 d\r\n", "354 e\r\n", "250 f\r\n", "221 g\r\n"};
  std::vector<Case> cases = {
      {"LOGIN", {"220 a\r\n", ehlo_login, "334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n", "235 ok\r\n"}, true,
       "EHLO localhost\r\nAUTH LOGIN\r\ndXNlcg==\r\ncGFzcw==\r\nMAIL From:"},
      {"LOGIN refused: no PLAIN after it", {"220 a\r\n", ehlo_login, "334 VXNlcm5hbWU6\r\n", "535 no\r\n"}, false,
       "EHLO localhost\r\nAUTH LOGIN\r\ndXNlcg==\r\n"},
      {"CRAM-MD5 refused: PLAIN", {"220 a\r\n", ehlo_all, "504 no\r\n", "235 ok\r\n"}, true,
       "EHLO localhost\r\nAUTH CRAM-MD5\r\nAUTH PLAIN AHVzZXIAcGFzcw==\r\nMAIL From:"},
      {"PLAIN only", {"220 a\r\n", "250 AUTH PLAIN\r\n", "235 ok\r\n"}, true,
       "EHLO localhost\r\nAUTH PLAIN AHVzZXIAcGFzcw==\r\nMAIL From:"},
      {"PLAIN refused", {"220 a\r\n", "250 AUTH PLAIN\r\n", "535 no\r\n"}, false,
       "EHLO localhost\r\nAUTH PLAIN AHVzZXIAcGFzcw==\r\n"},
      {"no mechanism known", {"220 a\r\n", "250 AUTH GSSAPI\r\n"}, false, "EHLO localhost\r\n"},
      {"no AUTH offered", {"220 a\r\n", "250 mx\r\n"}, true, "EHLO localhost\r\nMAIL From:"},
  };
  for (Case& c : cases) {
    ScriptedTransport transport;
    if (c.delivered) c.replies.insert(c.replies.end(), std::begin(rest), std::end(rest));
    auto server = transport.Serve("mx.test", c.replies);
    std::string error;
    EXPECT_EQ(SendMail(transport, Job("a@x", "user", "pass"), error), c.delivered) << c.name << ": " << error;
    EXPECT_EQ(server->written.substr(0, std::string(c.written_start).size()), c.written_start)
        << c.name << ": " << server->written;
    if (!c.delivered) {
      EXPECT_EQ(server->written.find("MAIL"), std::string::npos) << c.name;
    }
  }
}

}  // namespace
}  // namespace mailclient
