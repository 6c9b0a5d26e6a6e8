// General file and directory helpers of the setup, on which the extractor,
// the installation and the uninstall rest.
//
// None of them ever shows anything to the user: a failure is written to the
// setup log where it happens and reported through the result only. Paths are
// ANSI texts used with the "A" APIs; directory paths carry a trailing
// backslash unless said otherwise (the helpers also accept them without one);
// paths handed to the directory helpers are at most 255 characters. The pure
// path texts (AdjustTrailingBackslash, IsAbsolutePath, SplitList) are in
// path_text.h, included here.
#pragma once

#include <optional>
#include <string>

#include "engine/path_text.h"
#include "win32/file_attributes.h"

namespace engine {

// True when the attributes of `path` can be read and include the directory
// attribute. A junction or a symbolic link to a directory counts as one.
using win32::IsDirectory;

// True when `path` is, or has become, a directory; creates every missing
// parent. Each level is first tried by itself; then one trailing separator is
// removed and, while the rest is longer than 2 characters (a drive "C:" ends
// the walk) and not a directory, the parent (up to and including the last
// '\', '/' or ':') is made first. A path on a drive that does not exist
// answers false; nothing is thrown.
bool ForceDirectoryTree(const std::string& path);

// Deletes the entries of `directory` (with or without trailing backslash)
// that match `mask` (empty means "*.*"), hidden and system ones included:
// files are deleted; a subdirectory is entered with the same mask when
// `recurse` is set (so with a mask other than "*.*" only subdirectories whose
// names match are visited) and otherwise left. Then the directory itself is
// removed; that fails, silently, when anything is left in it. Read-only files
// are not made writable, so they and the directories holding them stay.
// A junction or symbolic link is never followed into its target: the link
// itself is removed (a directory link like an empty subdirectory, and only
// when it matches the mask and `recurse` is set; a file link like a file).
// When `directory` itself is such a link, only the link is removed. An empty
// path, "\" and a drive's root ("C:\", "C:") are refused (false, nothing
// deleted).
// Returns whether the final removal of `directory` succeeded.
bool DeleteDirectoryTree(const std::string& directory, const std::string& mask = std::string(),
                         bool recurse = true);

// What DeleteDirectoryTree does with one listed entry, from its attributes
// (FILE_ATTRIBUTE_* bits) and the recurse flag: a directory that is a link
// (reparse point) is removed as the link itself and never entered.
enum class TreeEntryAction { kDeleteFile, kEnterAndRemove, kRemoveLink, kLeave };
TreeEntryAction DeleteTreeEntryAction(unsigned long attributes, bool recurse);

enum class SpecialDirectoryKind { kTemporary = 0, kWindows = 1, kSystem = 2 };

// The temporary, Windows or system directory with a trailing backslash,
// trimmed of blanks and control characters. When the system gives none: the
// empty text when `no_fallback` is set, otherwise the setup program's own
// directory (with trailing backslash).
std::string GetSpecialDirectory(SpecialDirectoryKind kind, bool no_fallback = false);

// The directory of the running program, with trailing backslash.
std::string ProgramDirectory();

// The system's file copy (CopyFileA). With `fail_if_exists` false an existing
// target is replaced (a read-only target is not: clear its attributes first).
// Attributes of the source go with the copy. Returns success; the thread's
// last error tells why it failed.
bool CopyFileTo(const std::string& source, const std::string& target, bool fail_if_exists);

// The system's file move (MoveFileA): renames within a volume, copies and
// deletes across volumes. Fails when the target exists. Returns success; the
// thread's last error tells why it failed.
bool MoveFileTo(const std::string& source, const std::string& target);

// Gives the file or directory `path` the security a new item created in its
// directory gets: its access list is replaced by an empty one that is not
// protected, so that only what the parent passes on applies (for a
// directory the system passes that on to what it holds as well). For an item
// moved in from another directory, which keeps the security it had there.
// Returns success; a failure is logged.
bool ResetToInheritedSecurity(const std::string& path);

// The whole file as bytes, exactly as stored (no line-break or code page
// conversion); empty when it cannot be opened or read. With `delete_after`
// the file is deleted afterwards in any case (also when it could not be read;
// a read-only file resists, as DeleteFileA does).
std::string ReadFileText(const std::string& path, bool delete_after = false);

// Like ReadFileText without the deletion, but tells "cannot be opened or
// read" (nullopt) apart from an empty file.
std::optional<std::string> ReadFileBytes(const std::string& path);

// Creates the directory tree of `path` (ForceDirectoryTree of its directory
// part), then writes `text` byte for byte: appended when `append` is set and
// the file exists, otherwise replacing the file's content (a hidden or system
// file keeps its attributes; a read-only file cannot be written). With
// `delete_if_empty` set and an empty `text` the file is deleted instead.
// Returns true when the file holds what was asked (or, for the deletion, when
// it does not exist afterwards).
bool WriteTextFile(const std::string& text, const std::string& path, bool delete_if_empty = false,
                   bool append = false);

}  // namespace engine
