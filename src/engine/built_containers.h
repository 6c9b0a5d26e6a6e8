// Whether a container beside setup.exe is one the build packed for this very
// setup.exe. The build writes the SHA-256 of every container of the
// distribution into the program (the resource RCDATA "CONTAINER_SHA256",
// container_hash_list.h) after packing them and before signing; a container
// of another release copied beside it then no longer matches, although it is
// a sound container. A program without the resource (linked by hand, without
// the packing step) knows no list, and every container passes here.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/container_hash_list.h"

namespace engine {

// The list `module` carries (nullptr: the running program). nullopt when it
// carries none. A resource that is not a list reads as an empty list (then no
// container belongs to the program), logged.
std::optional<std::vector<ContainerHash>> BuiltContainerList(HMODULE module = nullptr);

// The SHA-256 of the file at `path`; nullopt (logged with the system's
// error text) when it cannot be read.
std::optional<Sha256Digest> Sha256OfFile(const std::string& path);

// True when `module` carries no list, or when the list names the file name of
// `container` (a full path) with the SHA-256 the file has. False, with a log
// line naming the file and why, when the list does not name it, when its
// digest differs, or when it cannot be read.
bool ContainerOfThisBuild(const std::string& container, HMODULE module = nullptr);

}  // namespace engine
