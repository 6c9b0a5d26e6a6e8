// The registry keys that belong to the product, each spelled once here: the
// product key (and the web mail product's key beside it) and the uninstall
// entry's key, all below HKEY_LOCAL_MACHINE. Each is given as an area and a
// section, the way TAdvancedRegistry takes them (the area with a leading
// backslash), and as the key's path relative to the root, the way the
// registry API takes it. Pure: no system header.
#pragma once

#include <array>
#include <cstddef>

namespace platform {

// The maker's area; the product keys of its programs lie below it.
inline constexpr char kCompanyArea[] = "\\Software\\Cordane";
inline constexpr char kProductSection[] = "Tarno Mail Server";
inline constexpr char kWebMailSection[] = "Cordane Web Mail";
// The uninstall entry that the system's list of installed programs shows.
inline constexpr char kUninstallArea[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr char kUninstallSection[] = "Tarno";

// `area` without its leading backslash, a backslash and `section`,
// NUL-terminated: the key's path as the registry API takes it.
template <std::size_t AreaSize, std::size_t SectionSize>
constexpr std::array<char, AreaSize + SectionSize - 1> RegistryKeyPath(const char (&area)[AreaSize],
                                                                       const char (&section)[SectionSize]) {
  static_assert(AreaSize > 2 && SectionSize > 1, "an area with its leading backslash and a section");
  std::array<char, AreaSize + SectionSize - 1> path{};
  std::size_t n = 0;
  for (std::size_t i = 1; i + 1 < AreaSize; ++i) path[n++] = area[i];
  path[n++] = '\\';
  for (std::size_t i = 0; i + 1 < SectionSize; ++i) path[n++] = section[i];
  path[n] = '\0';
  return path;
}

inline constexpr auto kProductKeyPath = RegistryKeyPath(kCompanyArea, kProductSection);
inline constexpr auto kWebMailKeyPath = RegistryKeyPath(kCompanyArea, kWebMailSection);
inline constexpr auto kUninstallEntryKeyPath = RegistryKeyPath(kUninstallArea, kUninstallSection);

// "Software\Cordane\Tarno Mail Server"
inline constexpr const char* kProductKey = kProductKeyPath.data();
// "Software\Cordane\Cordane Web Mail"
inline constexpr const char* kWebMailKey = kWebMailKeyPath.data();
// "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarno"
inline constexpr const char* kUninstallEntryKey = kUninstallEntryKeyPath.data();

}  // namespace platform
