// The Windows-1252 code page as a fixed table: the ANSI code page the native
// build stands in for, and the one the value converters' tests are written in.
//
// Every byte maps to one UTF-16 code unit. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same
// value, as Windows' own table does, so that every byte survives a round trip.
#pragma once

#include <optional>

namespace xmldoc {

char16_t Windows1252ToUtf16(unsigned char byte);

// The byte for `unit`, or nothing when the code page has no such character.
std::optional<unsigned char> Utf16ToWindows1252(char16_t unit);

}  // namespace xmldoc
