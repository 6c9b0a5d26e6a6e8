// The stored form of element texts and attribute values.
//
// The stored form is the text with the markup characters escaped and, when
// it holds any byte of 128 or more, in UTF-8. Callers hand in and get back
// texts in the ANSI code page (ansi_code_page.h). Both converters work on
// single UTF-16 code units: a character outside the Basic Multilingual Plane
// travels as its two surrogates, each written as its own three-byte group.
// Neither ever fails; ill-formed input is read as far as it makes sense.
#pragma once

#include <string>
#include <string_view>

namespace xmldoc {

// "&", '"', "'", "<" and ">" become "&amp;", "&quot;", "&apos;", "&lt;" and
// "&gt;"; then, if any byte is 128 or more, the whole text is converted from
// the ANSI code page to UTF-8 (1, 2 or 3 bytes per UTF-16 code unit).
std::string EncodeXMLValue(std::string_view text);

// If any byte is 128 or more, the text is read as UTF-8 (a lead byte with bit
// 7 clear is one character, one with bits 7 and 5 set starts a three-byte
// group, any other with bit 7 set a two-byte group, payload bits combined
// without validation; a group cut short by the end of the text is dropped)
// and converted to the ANSI code page. Then references are resolved in one
// pass, never re-examining what a reference yielded:
//   "&amp;" "&quot;" "&apos;" "&lt;" "&gt;" (names in any letter case);
//   "&#" number ";" -> the byte (number mod 256), the number decimal or, after
//   "x", "X" or "$", hexadecimal, taken from its leading valid digits.
// A reference is "&", a run of bytes that holds no blank, control character,
// "&" or ";", and the closing ";". Anything else ("&" alone, an unknown name,
// a number without any valid digit) stays as written.
std::string DecodeXMLValue(std::string_view stored);

}  // namespace xmldoc
