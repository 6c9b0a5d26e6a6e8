// Punycode (the bootstring encoding of internationalised domain labels):
// decoding of one label and of the "xn--" labels of a whole domain name.
#pragma once

#include <optional>
#include <string>

namespace serverconf {

// Decodes one Punycode label (without its "xn--" prefix) into code points.
// Nothing when the text is not valid Punycode (a character outside the
// alphabet, an overflow, a code point beyond U+10FFFF or a surrogate).
std::optional<std::u32string> DecodePunycodeLabel(const std::string& label);

// Code points as UTF-8.
std::string CodePointsToUtf8(const std::u32string& text);

// The name with every dot-separated label that begins "xn--" (without regard
// to case) replaced by its decoded form in UTF-8. A label that does not
// decode is kept as it is.
std::string DecodeIdnName(const std::string& name);

}  // namespace serverconf
