// Conversion between the ANSI code page of the process and UTF-16.
//
// In the Windows build this is the system's ANSI code page (CP_ACP); in the
// native build it is Windows-1252. Texts are converted as a whole, with
// embedded NUL bytes kept. A UTF-16 code unit that the code page cannot
// represent becomes "?": there is no "best fit" substitution, so a character
// such as a full-width "<" or quote never turns into markup or a path
// separator on its way into an ANSI text.
#pragma once

#include <string>
#include <string_view>

namespace xmldoc {

// The number of the code page used below (1252 in the native build).
unsigned AnsiCodePage();

std::u16string AnsiToUtf16(std::string_view text);
std::string Utf16ToAnsi(std::u16string_view text);

}  // namespace xmldoc
