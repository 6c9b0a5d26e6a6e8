#include "serverconf/punycode.h"

#include <cstdint>

namespace serverconf {
namespace {

constexpr uint32_t kBase = 36, kTMin = 1, kTMax = 26, kSkew = 38, kDamp = 700;
constexpr uint32_t kInitialBias = 72, kInitialN = 128;
constexpr uint32_t kMax = 0x7FFFFFFF;

uint32_t Adapt(uint32_t delta, uint32_t points, bool first) {
  delta = first ? delta / kDamp : delta / 2;
  delta += delta / points;
  uint32_t k = 0;
  while (delta > ((kBase - kTMin) * kTMax) / 2) {
    delta /= kBase - kTMin;
    k += kBase;
  }
  return k + (kBase - kTMin + 1) * delta / (delta + kSkew);
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0' + 26;
  if (c >= 'a' && c <= 'z') return c - 'a';
  if (c >= 'A' && c <= 'Z') return c - 'A';
  return -1;
}

}  // namespace

std::optional<std::u32string> DecodePunycodeLabel(const std::string& label) {
  std::u32string out;
  size_t basic_end = label.rfind('-');
  size_t pos = 0;
  if (basic_end != std::string::npos) {
    for (size_t i = 0; i < basic_end; ++i) {
      const unsigned char c = static_cast<unsigned char>(label[i]);
      if (c >= 0x80) return std::nullopt;
      out.push_back(c);
    }
    pos = basic_end + 1;
  }
  uint32_t n = kInitialN, bias = kInitialBias, i = 0;
  while (pos < label.size()) {
    const uint32_t old_i = i;
    uint32_t w = 1;
    for (uint32_t k = kBase;; k += kBase) {
      if (pos >= label.size()) return std::nullopt;
      const int digit = DigitValue(label[pos++]);
      if (digit < 0) return std::nullopt;
      if (static_cast<uint32_t>(digit) > (kMax - i) / w) return std::nullopt;
      i += static_cast<uint32_t>(digit) * w;
      const uint32_t t = k <= bias ? kTMin : (k >= bias + kTMax ? kTMax : k - bias);
      if (static_cast<uint32_t>(digit) < t) break;
      if (w > kMax / (kBase - t)) return std::nullopt;
      w *= kBase - t;
    }
    const uint32_t points = static_cast<uint32_t>(out.size()) + 1;
    bias = Adapt(i - old_i, points, old_i == 0);
    if (i / points > kMax - n) return std::nullopt;
    n += i / points;
    i %= points;
    if (n > 0x10FFFF || (n >= 0xD800 && n <= 0xDFFF)) return std::nullopt;
    out.insert(out.begin() + i, static_cast<char32_t>(n));
    ++i;
  }
  return out;
}

std::string CodePointsToUtf8(const std::u32string& text) {
  std::string out;
  for (const char32_t c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string DecodeIdnName(const std::string& name) {
  std::string out;
  size_t start = 0;
  while (true) {
    const size_t dot = name.find('.', start);
    const std::string label = name.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    bool decoded = false;
    if (label.size() > 4 && (label[0] == 'x' || label[0] == 'X') && (label[1] == 'n' || label[1] == 'N') &&
        label[2] == '-' && label[3] == '-') {
      if (const auto points = DecodePunycodeLabel(label.substr(4))) {
        out += CodePointsToUtf8(*points);
        decoded = true;
      }
    }
    if (!decoded) out += label;
    if (dot == std::string::npos) break;
    out += '.';
    start = dot + 1;
  }
  return out;
}

}  // namespace serverconf
