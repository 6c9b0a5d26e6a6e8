// Native build: the ANSI code page is Windows-1252.
#include "xmldoc/ansi_code_page.h"

#include "xmldoc/windows_1252.h"

namespace xmldoc {

unsigned AnsiCodePage() { return 1252; }

std::u16string AnsiToUtf16(std::string_view text) {
  std::u16string wide;
  wide.reserve(text.size());
  for (char c : text) wide.push_back(Windows1252ToUtf16(static_cast<unsigned char>(c)));
  return wide;
}

std::string Utf16ToAnsi(std::u16string_view text) {
  std::string ansi;
  ansi.reserve(text.size());
  for (char16_t unit : text) {
    ansi.push_back(static_cast<char>(Utf16ToWindows1252(unit).value_or('?')));
  }
  return ansi;
}

}  // namespace xmldoc
