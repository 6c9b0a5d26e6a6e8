#include "mailclient/smtp_reply.h"

namespace mailclient {

bool AppendReplyData(std::string& reply, std::string_view data) {
  reply.append(data);
  size_t line_end;
  while ((line_end = reply.find("\r\n")) != std::string::npos && line_end >= 4 && reply[3] == '-')
    reply.erase(0, line_end + 2);
  if (reply.size() >= 2 && reply.compare(reply.size() - 2, 2, "\r\n") == 0) {
    reply.resize(reply.size() - 2);
    return true;
  }
  return reply.size() >= kMaxReplyLength;
}

int ReplyCode(std::string_view reply) {
  if (reply.size() < 3) return 0;
  int code = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (reply[i] < '0' || reply[i] > '9') return 0;
    code = code * 10 + (reply[i] - '0');
  }
  return code;
}

}  // namespace mailclient
