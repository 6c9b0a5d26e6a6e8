// The list of the distribution's containers with their SHA-256, as the build
// writes it into setup.exe: one line per container, "<64 hex digits>  <file
// name>" and a line feed, the format of sha256sum, so that an administrator
// can compare it with the files. Pure code.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/sha256.h"

namespace engine {

// The resource of setup.exe that holds the list: type RCDATA, this name,
// language neutral.
inline constexpr char kContainerHashResource[] = "CONTAINER_SHA256";

struct ContainerHash {
  std::string name;  // file name in the distribution folder, no folder part
  Sha256Digest digest;
};

std::string FormatContainerHashList(const std::vector<ContainerHash>& list);

// The entries of `text`; nullopt when any line is not in the format above
// (a digest that is not 64 hexadecimal digits, a name that is empty or has a
// folder part, a name listed twice). A CR before a line feed is allowed, and
// the last line may lack its line feed.
std::optional<std::vector<ContainerHash>> ParseContainerHashList(std::string_view text);

// The entry of `name` (file names compared without regard to ASCII case, as
// Windows does), or nullptr.
const ContainerHash* FindContainerHash(const std::vector<ContainerHash>& list, std::string_view name);

}  // namespace engine
