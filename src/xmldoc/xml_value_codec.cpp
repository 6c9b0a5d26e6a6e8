#include "xmldoc/xml_value_codec.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "xmldoc/ansi_code_page.h"

namespace xmldoc {
namespace {

bool HasHighByte(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

std::string Utf16ToUtf8(std::u16string_view wide) {
  std::string utf8;
  utf8.reserve(wide.size() * 2);
  for (char16_t unit : wide) {
    if (unit < 0x80) {
      utf8.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
      utf8.push_back(static_cast<char>(0xC0 | (unit >> 6)));
      utf8.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
      utf8.push_back(static_cast<char>(0xE0 | (unit >> 12)));
      utf8.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }
  return utf8;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string wide;
  wide.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const unsigned lead = static_cast<unsigned char>(utf8[i]);
    if ((lead & 0x80) == 0) {
      wide.push_back(static_cast<char16_t>(lead));
      i += 1;
    } else if ((lead & 0x20) != 0) {
      if (utf8.size() - i < 3) break;
      const unsigned b1 = static_cast<unsigned char>(utf8[i + 1]);
      const unsigned b2 = static_cast<unsigned char>(utf8[i + 2]);
      wide.push_back(static_cast<char16_t>(((lead & 0x0F) << 12) | ((b1 & 0x3F) << 6) | (b2 & 0x3F)));
      i += 3;
    } else {
      if (utf8.size() - i < 2) break;
      const unsigned b1 = static_cast<unsigned char>(utf8[i + 1]);
      wide.push_back(static_cast<char16_t>(((lead & 0x1F) << 6) | (b1 & 0x3F)));
      i += 2;
    }
  }
  return wide;
}

struct NamedReference {
  std::string_view name;
  char value;
};

constexpr std::array<NamedReference, 5> kNamedReferences = {{
    {"amp", '&'}, {"quot", '"'}, {"apos", '\''}, {"lt", '<'}, {"gt", '>'},
}};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

int DigitValue(char c, unsigned base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v >= 0 && static_cast<unsigned>(v) < base ? v : -1;
}

// "#" followed by the number text of a character reference. The value is
// accumulated modulo 256, which is the byte the reference stands for whatever
// the size of the number, so no number can overflow.
bool CharacterReferenceByte(std::string_view body, char* byte) {
  if (body.size() < 2 || body[0] != '#') return false;
  std::string_view number = body.substr(1);
  unsigned base = 10;
  if (number[0] == 'x' || number[0] == 'X' || number[0] == '$') {
    base = 16;
    number.remove_prefix(1);
  }
  uint8_t value = 0;
  size_t digits = 0;
  for (char c : number) {
    const int d = DigitValue(c, base);
    if (d < 0) break;
    value = static_cast<uint8_t>(value * base + static_cast<unsigned>(d));
    ++digits;
  }
  if (digits == 0) return false;
  *byte = static_cast<char>(value);
  return true;
}

bool EndsReferenceBody(char c) {
  return static_cast<unsigned char>(c) <= 32 || c == '&' || c == ';' || c == 0x7F;
}

// One pass over the text; a reference's result goes to the output and the
// scan continues after its ";".
std::string ResolveReferences(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c != '&') {
      out.push_back(c);
      ++i;
      continue;
    }
    size_t end = i + 1;
    while (end < text.size() && !EndsReferenceBody(text[end])) ++end;
    if (end < text.size() && text[end] == ';') {
      const std::string_view body = text.substr(i + 1, end - i - 1);
      char byte = 0;
      bool resolved = CharacterReferenceByte(body, &byte);
      for (size_t k = 0; !resolved && k < kNamedReferences.size(); ++k) {
        if (EqualsIgnoringCase(body, kNamedReferences[k].name)) {
          byte = kNamedReferences[k].value;
          resolved = true;
        }
      }
      if (resolved) {
        out.push_back(byte);
        i = end + 1;
        continue;
      }
    }
    out.push_back('&');
    ++i;
  }
  return out;
}

}  // namespace

std::string EncodeXMLValue(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&apos;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      default: escaped.push_back(c);
    }
  }
  if (!HasHighByte(escaped)) return escaped;
  return Utf16ToUtf8(AnsiToUtf16(escaped));
}

std::string DecodeXMLValue(std::string_view stored) {
  if (!HasHighByte(stored)) return ResolveReferences(stored);
  return ResolveReferences(Utf16ToAnsi(Utf8ToUtf16(stored)));
}

}  // namespace xmldoc
