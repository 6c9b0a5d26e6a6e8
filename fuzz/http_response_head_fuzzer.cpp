// The HTTP response head reader on arbitrary server output, cut into reads:
// the first byte of the input picks the read size. What the reader keeps is
// exactly what arrived, split at the head's end.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/http_response_head.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t read_size = 1 + data[0] % 64;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  serverconf::HttpResponseHead head;
  std::string_view rest = input;
  while (!rest.empty() && !head.TooLarge()) {
    const std::string_view read = rest.substr(0, read_size);
    rest.remove_prefix(read.size());
    head.Append(read);
  }
  if (head.Complete()) {
    if (head.Text() + head.BodyStart() != input.substr(0, input.size() - rest.size())) __builtin_trap();
    if (head.Text().find("\r\n\r\n") != head.Text().size() - 4) __builtin_trap();
  }
  const int code = head.StatusCode();
  if (code < 0 || code > 999) __builtin_trap();
  head.Field("Location");
  head.Field("Set-Cookie");
  return 0;
}
