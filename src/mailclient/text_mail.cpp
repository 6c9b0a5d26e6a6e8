#include "mailclient/text_mail.h"

#include <cstdio>
#include <exception>

#include "serverconf/time_zone_suffix.h"

namespace mailclient {
namespace {

constexpr const char* kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string HeaderValue(std::string_view value) {
  std::string result(value);
  for (char& c : result)
    if (c == '\r' || c == '\n') c = ' ';
  return result;
}

void AppendBody(std::string& text, std::string_view body) {
  size_t start = 0;
  while (start < body.size()) {
    size_t end = body.find_first_of("\r\n", start);
    const std::string_view line = body.substr(start, end == std::string_view::npos ? end : end - start);
    if (!line.empty() && line.front() == '.') text += '.';
    text.append(line);
    text += "\r\n";
    if (end == std::string_view::npos) break;
    start = end + (body.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
}

}  // namespace

std::string FormatMailDate(const MailTime& time) {
  char text[96];
  std::snprintf(text, sizeof text, "%s, %d %s %d %.2d:%.2d:%.2d %s", kDayNames[(time.weekday % 7 + 7) % 7],
                time.day, kMonthNames[((time.month - 1) % 12 + 12) % 12], time.year, time.hour, time.minute,
                time.second, serverconf::FormatTimeZoneSuffix(time.minutes_ahead_of_utc).c_str());
  return text;
}

std::string ComposeTextMail(const MailTime& time, std::string_view to, std::string_view from,
                            std::string_view reply_to, std::string_view body, std::string_view subject) {
  std::string text = "Date: " + FormatMailDate(time) + "\r\n";
  text += "Subject: " + HeaderValue(subject) + "\r\n";
  text += "From: " + HeaderValue(from) + "\r\n";
  if (!reply_to.empty()) text += "Reply-To: " + HeaderValue(reply_to) + "\r\n";
  text += "To: " + HeaderValue(to) + "\r\n\r\n";
  AppendBody(text, body);
  text += "\r\n.\r\n";
  return text;
}

bool SendTextMail(MailTransport& transport, const std::string& to, const std::string& from,
                  const std::string& reply_to, const std::string& host, const std::string& body,
                  const std::string& subject) {
  try {
    SmtpJob job;
    job.host = host;
    job.message = ComposeTextMail(transport.Now(), to, from, reply_to, body, subject);
    job.recipients = to;
    job.sender = from;
    std::string error;
    return SendMail(transport, job, error);
  } catch (const std::exception&) {
    // The report and the demonstration message never stop the caller.
    return false;
  }
}

}  // namespace mailclient
