// ExtractDataFile and RemoveExtractedTree: unpacking a setup data file into a
// directory with the Win32 file API, under the rules of setup_data_extract.h.
#pragma once

#include <cstdint>
#include <string>

#include "engine/setup_data_extract.h"

namespace engine {

// Unpacks the container `dataFilePath`, whose header starts at `startOffset`,
// into `destinationDir` (a missing trailing backslash is added; the directory
// tree is created when missing). Selection by `overwriteAll`, `keepList` and
// `includeList` as in setup_data_extract.h. Targets are created or truncated
// in place (CREATE_ALWAYS), so a read-only target cannot be created.
//
// False when a path is empty, the destination cannot be created, the
// container cannot be opened or its header read, or the container is damaged
// (it ends inside a name or size field, a name would leave the destination, a
// size is negative); entries before the damage stay written. True otherwise,
// also when reading stopped at a target that could not be created or written,
// and when data did not inflate or was cut short. Every failure is logged
// where it happens. `report`, when given, receives the details.
bool ExtractDataFile(const std::string& dataFilePath, const std::string& destinationDir, bool overwriteAll,
                     const std::string& keepList, uint32_t startOffset, const std::string& includeList,
                     ExtractReport* report = nullptr);

// Whether the container `dataFilePath` can be read to its end: every entry
// has its whole data, no name or size field is damaged and no name would
// leave the destination (as for ExtractDataFile), and every entry of a
// compressed container inflates with a matching check value. Nothing is
// written. A file that cannot be opened, and a truncated one, answer false
// (logged).
bool DataFileIntact(const std::string& dataFilePath);

// Makes `directory` a new, empty directory for one extraction: whatever is
// there already (a tree left by an interrupted run, or planted by another user
// of a shared temporary folder) is removed first, read-only, hidden and system
// files included. A link (junction, symbolic link) is removed itself, never
// followed, and no attribute is changed through one. False, logged, when
// something could not be removed or the directory cannot be created; an empty
// path or a drive's root is refused.
bool PrepareFreshDirectory(const std::string& directory);

// Deletes `directory` with all its files and subdirectories (DeleteDirectoryTree,
// mask "*.*", recursive; links are removed, not followed). Failures are silent
// apart from the log; an empty path or a drive's root is refused.
void RemoveExtractedTree(const std::string& directory);

}  // namespace engine
