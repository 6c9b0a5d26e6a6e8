// File access of the configuration store: whole small files read and
// written at once, directories created with their parents. Failures are
// logged here with what failed; callers see only the result.
#pragma once

#include <cstddef>
#include <string>

namespace serverconf {

bool FileExists(const std::string& path);

// Reads at most `limit` bytes of a file. False (logged) when it cannot be
// opened or read; a missing file is not logged.
bool ReadFileBytes(const std::string& path, std::string& content, size_t limit = 16 * 1024 * 1024);

// Creates `path` anew with `data`. False (logged) when it cannot be created
// or written whole.
bool WriteFileBytes(const std::string& path, const void* data, size_t size);

// Creates `dir` and its missing parents; a drive root or a UNC share is
// never created. False (logged) when a part cannot be created.
bool CreateDirectoryTree(const std::string& dir);

}  // namespace serverconf
