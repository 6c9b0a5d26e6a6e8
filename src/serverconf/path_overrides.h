// PathOverrides: "path.dat" in the install directory, one value per line.
// Each line has its comment removed (StripConfigComment) and is trimmed; an
// empty or missing line keeps the default of its value. Lines after the
// eleventh are not used.
//
//   1 configuration directory   2 second web directory   3 web temporary directory
//   4 suffix of log file names  5 network drives          6 spam directory
//   7 alternative directory     8 forward directory       9 forward retry directory
//  10 bind addresses "|" outgoing bind address           11 host name
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace serverconf {

inline constexpr size_t kPathOverrideLines = 11;

struct PathOverrides {
  std::array<std::string, kPathOverrideLines> lines;  // cleaned; empty = keep the default

  // Line `number` (1 to 11), cleaned; empty for any other number.
  const std::string& Line(size_t number) const;
};

PathOverrides ParsePathOverrides(const std::string& text);

// One item of line 5: remote name, user and password; an empty part is none.
struct NetworkDrive {
  std::string remote;
  std::optional<std::string> user;
  std::optional<std::string> password;
};

// Items separated by "|", each "remote;user;password". Items without a
// remote name are skipped.
std::vector<NetworkDrive> ParseNetworkDrives(const std::string& line);

// Line 10: the part before the first "|" is the bind address list (the
// whole line when it has no "|"); the part after it, the outgoing bind
// address, is present only when the line has a "|".
struct BindOverride {
  std::string bind_addresses;
  std::optional<std::string> outgoing;
};

BindOverride ParseBindOverride(const std::string& line);

}  // namespace serverconf
