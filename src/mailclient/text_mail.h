// A plain text mail: its header lines and body in transmission form, and
// SendTextMail, which sends one through SendMail.
#pragma once

#include <string>
#include <string_view>

#include "mailclient/smtp_client.h"

namespace mailclient {

// A moment of local time and its offset to UTC.
struct MailTime {
  int year = 1970;
  int month = 1;    // 1..12
  int day = 1;
  int weekday = 4;  // 0 Sunday .. 6 Saturday
  int hour = 0;
  int minute = 0;
  int second = 0;
  int minutes_ahead_of_utc = 0;
};

// Where mail goes and what time it is: the program's is WinSock and the
// system clock (winsock_mail_transport.h).
class MailTransport : public SmtpConnector {
 public:
  // Local time now, with the offset computed afresh.
  virtual MailTime Now() = 0;
};

// "Sun, 6 Dec 2026 23:49:58 +0100": English day and month names and the
// time zone suffix of `time`.
std::string FormatMailDate(const MailTime& time);

// The message text: "Date: ", "Subject: ", "From: ", "Reply-To: " (only when
// `reply_to` is not empty) and "To: " lines, an empty line, the body, an
// empty line and "." alone. Every line ends with CR LF. A CR or LF inside a
// header value becomes a space, so that no data starts a header line of its
// own. The body's lines, whatever their line ends, are sent with CR LF, and a
// body line that begins with "." gets a second one, so that no body line ends
// the message early.
std::string ComposeTextMail(const MailTime& time, std::string_view to, std::string_view from,
                            std::string_view reply_to, std::string_view body, std::string_view subject);

// Composes the message for the time now and sends it through `host` from
// `from` to the ";"-list `to` (no HELO domain, no authentication). True when
// it was accepted; every failure gives false.
bool SendTextMail(MailTransport& transport, const std::string& to, const std::string& from,
                  const std::string& reply_to, const std::string& host, const std::string& body,
                  const std::string& subject);

}  // namespace mailclient
