#include "engine/version_compare.h"

#include <array>
#include <cstdint>

namespace engine {
namespace {

using VersionTriple = std::array<uint16_t, 3>;

// A field converts like a decimal number read from its leading digits: the
// digits accumulate in 16 bits, so an oversized field wraps as the stored
// value did, and text after the digits is not part of the number.
uint16_t FieldValue(std::string_view field) {
  uint16_t value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') break;
    value = static_cast<uint16_t>(value * 10 + (c - '0'));
  }
  return value;
}

VersionTriple ParseVersion(std::string_view text) {
  if (text.size() > 255) text = text.substr(0, 255);
  VersionTriple triple{0, 0, 0};
  for (size_t i = 0; i < triple.size(); ++i) {
    size_t dot = text.find('.');
    std::string_view field = text.substr(0, dot);
    if (i == 2) field = field.substr(0, field.find('-'));
    triple[i] = FieldValue(field);
    if (dot == std::string_view::npos) break;
    text.remove_prefix(dot + 1);
  }
  return triple;
}

}  // namespace

bool VersionAtLeast(std::string_view a, std::string_view b) {
  return ParseVersion(a) >= ParseVersion(b);
}

}  // namespace engine
