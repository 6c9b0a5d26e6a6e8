// The upgrade edit of the built-in web server's "webserver.cfg": adds the
// routing entries of the web client script module ("wcs.dll") and renames the
// old web mail module to the PHP module. Pure: no <windows.h>; paths are ANSI
// byte strings handed to the C runtime as they are.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace serverconf {

// The 1-based position of the first occurrence of `sub` in `text` that begins
// at or after `start` and at or before `end`; 0 when `sub` or `text` is empty,
// when the start is past the end, or when there is none. A start below 1
// counts as 1; an end of 0 (or below) means the text's end, and an end past the
// text is cut to it. The occurrence must lie inside the text. Exact comparison.
std::size_t FindFrom(std::string_view sub, std::string_view text, long long start,
                     long long end = 0);

// The edited text of a webserver.cfg whose whole content is `text`:
// - unless `text` already holds "wcs.dll" (exact case), the line
//   "=modules\wcs.dll|[wcs]" becomes the last line of the "[Filter]" section
//   and "/wcs/=[wcs]" the first line of the "[Virtual-Host]" section (headers
//   found without regard to case); a missing section is appended at the end,
//   after the old content's trailing blanks and control characters are
//   removed and one blank line is put between;
// - every "webmail\web.dll" (exact case) becomes "php\php.dll".
// A section ends before its first empty line, before the next line that
// begins (after spaces or tabs) with "[", or at the end of the text (a line end is then added to a
// last line that has none). New lines use the text's own line end: that of
// its first line break, CR LF when it has none. All other bytes stay as they
// were, in their order.
std::string UpdateWebServerConfigText(std::string_view text);

enum class WebServerConfigUpdate {
  kNotRead,      // missing or unreadable: nothing was written
  kWritten,      // the edited text replaced the file's content
  kWriteFailed,  // the file is left as it was
};

// Reads the file at `path` whole, as bytes, edits it with
// UpdateWebServerConfigText and writes the result back whole (even when
// nothing changed). A file that cannot be opened or read completely is left
// alone. The new content goes to `path` + ".setup-new" first and is then
// renamed over the file, so that a failed write never leaves a partial file;
// where the C runtime's rename does not replace (Windows), the old file is
// moved aside to `path` + ".setup-old" for the moment of the swap and moved
// back when the swap fails. Never throws for file errors.
WebServerConfigUpdate UpdateWebServerConfigFile(const std::string& path);

// install_dir + "config\webserver.cfg"; `install_dir` ends in a backslash.
std::string WebServerConfigPath(const std::string& install_dir);

// UpdateWebServerConfigFile on WebServerConfigPath(install_dir). No result:
// the upgrade goes on whatever happens to this file.
void UpdateWebServerConfig(const std::string& install_dir);

}  // namespace serverconf
