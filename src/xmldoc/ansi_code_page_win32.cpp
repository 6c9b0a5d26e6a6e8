// Windows build: the system's ANSI code page.
#include "xmldoc/ansi_code_page.h"

#include <windows.h>

#include <climits>

namespace xmldoc {
namespace {

// Latin-1 reading, used only if the system refuses a conversion (it does not
// for valid lengths): each byte is its own code point, so no text is lost.
std::u16string BytesAsUnits(std::string_view text) {
  std::u16string wide;
  for (char c : text) wide.push_back(static_cast<unsigned char>(c));
  return wide;
}

}  // namespace

unsigned AnsiCodePage() { return GetACP(); }

std::u16string AnsiToUtf16(std::string_view text) {
  if (text.empty()) return {};
  if (text.size() > INT_MAX / 2) return BytesAsUnits(text);
  const int length = static_cast<int>(text.size());
  int units = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return BytesAsUnits(text);
  std::wstring wide(static_cast<size_t>(units), L'\0');
  units = MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), units);
  if (units <= 0) return BytesAsUnits(text);
  return std::u16string(wide.begin(), wide.begin() + units);
}

std::string Utf16ToAnsi(std::u16string_view text) {
  if (text.empty()) return {};
  if (text.size() > INT_MAX / 4) return std::string(text.size(), '?');
  const int length = static_cast<int>(text.size());
  const std::wstring wide_text(text.begin(), text.end());
  const wchar_t* wide = wide_text.c_str();
  // A system whose ANSI code page is UTF-8 accepts no best-fit flag.
  const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  int bytes = WideCharToMultiByte(CP_ACP, flags, wide, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string(text.size(), '?');
  std::string ansi(static_cast<size_t>(bytes), '\0');
  bytes = WideCharToMultiByte(CP_ACP, flags, wide, length, ansi.data(), bytes, nullptr, nullptr);
  if (bytes <= 0) return std::string(text.size(), '?');
  ansi.resize(static_cast<size_t>(bytes));
  return ansi;
}

}  // namespace xmldoc
