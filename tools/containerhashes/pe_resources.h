// Resources of a finished Windows program (a PE32 or PE32+ image held in
// memory): read one, or add one after linking. Pure code, used by the build
// step that writes the container list into setup.exe before it is signed.
//
// Adding keeps every existing resource where it is: a new section at the end
// of the image holds a new resource directory (the old entries, whose data
// stay in the old section, and the new one with its data), and the image's
// resource directory entry points at it. The image must not be signed yet (a
// signature would no longer match) and must have room for one more section
// header; otherwise nothing is changed and the reason is returned.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tools {

// A resource type, name or language: a number, or a name (compared without
// regard to ASCII case; a name added is stored in upper case, as resource
// compilers do).
struct ResourceId {
  static ResourceId Number(uint16_t number) { return {false, number, {}}; }
  static ResourceId Name(std::string_view name);
  bool named = false;
  uint16_t number = 0;
  std::u16string name;
};

inline constexpr uint16_t kResourceTypeRcData = 10;
inline constexpr uint16_t kLanguageNeutral = 0;

// Adds `data` as resource type/name/language to `image`, replacing one of the
// same identity. Empty on success, else why nothing was changed.
std::string AddPeResource(std::string& image, const ResourceId& type, const ResourceId& name, uint16_t language,
                          std::string_view data);

// The data of resource type/name/language in `image`; nullopt when the image
// has no such resource or cannot be read as a PE image.
std::optional<std::string> ReadPeResource(const std::string& image, const ResourceId& type, const ResourceId& name,
                                          uint16_t language);

// The image's checksum as the loader computes it (the optional header's
// CheckSum field counted as zero).
uint32_t PeChecksum(const std::string& image);

}  // namespace tools
