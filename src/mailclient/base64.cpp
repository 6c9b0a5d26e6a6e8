#include "mailclient/base64.h"

#include <cstdint>

namespace mailclient {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int DigitValue(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string Base64Encode(std::string_view data) {
  std::string text;
  text.reserve((data.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    const uint32_t group = static_cast<uint8_t>(data[i]) << 16 | static_cast<uint8_t>(data[i + 1]) << 8 |
                           static_cast<uint8_t>(data[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6) text += kAlphabet[(group >> shift) & 63];
  }
  const size_t rest = data.size() - i;
  if (rest > 0) {
    uint32_t group = static_cast<uint8_t>(data[i]) << 16;
    if (rest == 2) group |= static_cast<uint8_t>(data[i + 1]) << 8;
    text += kAlphabet[(group >> 18) & 63];
    text += kAlphabet[(group >> 12) & 63];
    text += rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
    text += '=';
  }
  return text;
}

bool Base64Decode(std::string_view text, std::string& data) {
  data.clear();
  uint32_t group = 0;
  int digits = 0;
  bool padding = false;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c == '=') {
      padding = true;
      continue;
    }
    const int value = DigitValue(c);
    if (value < 0 || padding) {
      data.clear();
      return false;
    }
    group = group << 6 | static_cast<uint32_t>(value);
    if (++digits == 4) {
      data += static_cast<char>(group >> 16);
      data += static_cast<char>(group >> 8);
      data += static_cast<char>(group);
      group = 0;
      digits = 0;
    }
  }
  if (digits == 1) {
    data.clear();
    return false;
  }
  if (digits == 2) data += static_cast<char>(group >> 4);
  if (digits == 3) {
    data += static_cast<char>(group >> 10);
    data += static_cast<char>(group >> 2);
  }
  return true;
}

}  // namespace mailclient
