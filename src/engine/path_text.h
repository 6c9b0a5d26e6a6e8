// Path and list texts of the setup: the string-only half of the file helpers,
// and the length limit the setup applies to its stored texts.
//
// Paths are single-byte ANSI texts; directory paths carry a trailing
// backslash. Nothing here touches the file system, so it builds natively.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace engine {

// Most stored paths and names hold at most 255 characters; longer texts are
// cut, never refused.
inline constexpr size_t kMaxText = 255;

// The first `limit` bytes of `text` (all of it when it is shorter).
std::string Cut(std::string_view text, size_t limit = kMaxText);

// A copy of `path`; an empty path stays empty. With `convert` every '/'
// becomes '\'. A backslash is appended unless the path already ends in '\' or
// '/'; then, when `add` is false, the last character is removed, so that the
// result never ends in a separator:
//   ("C:\dir", true, false)  -> "C:\dir\"      ("C:\dir\", false, false) -> "C:\dir"
//   ("a/b/", false, true)    -> "a\b"          ("a/b/", true, false)     -> "a/b/"
std::string AdjustTrailingBackslash(std::string_view path, bool add, bool convert);

// True when `path` is not empty and starts with '/' or '\', or contains ':'
// anywhere ("C:x", "\\server\share", "/etc" are absolute; "a\b" is not).
bool IsAbsolutePath(std::string_view path);

// Splits `text` at each `separator`. An item ends before each separator and at
// the end of the text, so a text ending in a separator gives no last empty
// item and an empty text gives no item; consecutive separators give empty
// items. With `trim` each item loses leading and trailing blanks and control
// characters (bytes up to ' ') and empty items are dropped:
//   (",a, ,b,", ',', true)  -> {"a", "b"}
//   (",a, ,b,", ',', false) -> {"", "a", " ", "b"}
std::vector<std::string> SplitList(std::string_view text, char separator, bool trim);

// Leading and trailing bytes up to ' ' (blanks and control characters) removed.
std::string TrimText(std::string_view text);

// The last step of GetSpecialDirectory on what the system answered: trimmed,
// replaced by `program_directory` when empty and `no_fallback` is false, then
// given a trailing backslash unless it is (still) empty.
std::string FinishSpecialDirectory(std::string_view system_answer, bool no_fallback,
                                   std::string_view program_directory);

// The directory part of `path` up to and including its last '\' or '/'
// ("C:\a\b.txt" -> "C:\a\"); empty when the path has no separator.
std::string DirectoryOf(std::string_view path);

// The name after the last '\', '/' or ':' ("C:\a\b.txt" -> "b.txt").
std::string FileNameOf(std::string_view path);

}  // namespace engine
