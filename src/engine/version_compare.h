// Comparison of dotted version texts ("8.3.8", "8.2.7-1", "8.3").
#pragma once

#include <string_view>

namespace engine {

// True when version `a` is the same as or later than version `b`.
// Each text is read as major.minor.patch: fields are split at '.', further
// fields are ignored, the patch field ends at the first '-', a missing or
// empty field is 0, and each field is a decimal number held as an unsigned
// 16-bit value. Texts are taken up to 255 characters.
bool VersionAtLeast(std::string_view a, std::string_view b);

}  // namespace engine
