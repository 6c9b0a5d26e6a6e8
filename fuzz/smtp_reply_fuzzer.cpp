// The SMTP reply reader on arbitrary server output, cut into reads the way
// the dialogue reads it: the first byte of the input picks the read size.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "mailclient/smtp_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t read_size = 1 + data[0] % mailclient::kReplyReadSize;
  std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string reply;
  while (!input.empty()) {
    const std::string_view read = input.substr(0, read_size);
    input.remove_prefix(read.size());
    if (mailclient::AppendReplyData(reply, read)) {
      // A complete reply is never longer than the limit plus one read.
      if (reply.size() >= mailclient::kMaxReplyLength + read_size) __builtin_trap();
      const int code = mailclient::ReplyCode(reply);
      if (code < 0 || code > 999) __builtin_trap();
      reply.clear();
    }
  }
  return 0;
}
