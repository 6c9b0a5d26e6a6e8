// Which file a path names, whatever the path's spelling: another case, a
// short (8.3) name, "." and ".." segments, a junction or symbolic link on the
// way, or a hard link all lead to the same identity.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace win32 {

// A file as the file system knows it: the serial number of its volume and
// its index on that volume.
struct FileIdentity {
  uint32_t volume_serial = 0;
  uint64_t file_index = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the file (or directory) `path` names; empty when it cannot
// be opened to ask (missing, or no right to read its attributes). Nothing is
// logged; the file is not changed, and others may use it meanwhile.
std::optional<FileIdentity> IdentityOf(const std::string& path);

}  // namespace win32
