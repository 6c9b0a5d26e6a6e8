// The configuration store's paths, and what resolving them establishes: the
// path.dat overrides, the server title and the time-zone suffix. Process-wide
// from ResolveServerPaths (or the first assignment of the paths) to the end
// of the process.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "serverconf/path_overrides.h"

namespace serverconf {

// Directories end in a backslash and hold at most 255 characters.
struct ServerPaths {
  std::string install_dir;
  std::string config_dir;         // install_dir + "config\", path.dat line 1
  std::string web_dir;            // second web directory: install_dir + "html\", line 2
  std::string web_temp_dir;       // install_dir + "html\temp\", line 3
  std::string temp_dir;           // settings field 256
  std::string mail_dir;           // settings field 512
  std::string log_dir;            // settings field 768
  std::string spam_dir;           // install_dir + "spam\", line 6
  std::string forward_dir;        // mail_dir + "forward\", line 8
  std::string forward_retry_dir;  // mail_dir + "forward\retry\", line 9
  std::string alternative_dir;    // line 7, kept only
  std::string log_file_suffix;    // line 4
};

ServerPaths& Paths();

// Sets the install directory (cut to 255 characters, a trailing backslash added).
void SetInstallPath(const std::string& dir);
// Sets the configuration directory (cut to 255 characters, a trailing backslash added).
void SetConfigPath(const std::string& dir);

// Establishes the paths: the edition becomes Professional; the install
// directory is `install_dir_switch` when not empty, else `program_dir`;
// configuration, web and web temporary directories get their defaults; the
// temporary, mail and log fields are normalised; path.cfg is moved to
// path.dat and path.dat applied (line 5's network drives connected as it is
// read); install_dir + "xml\info.xml" becomes the product information when
// it exists; servertitle.dat is read; the time-zone suffix is computed.
void ResolveServerPaths(const std::string& install_dir_switch, const std::string& program_dir);

// The path.dat lines read by the last ResolveServerPaths.
const PathOverrides& PathOverrideLines();

// "Tarno 8.3.8" or the first line of servertitle.dat, and its replacement pairs.
const std::string& ProductTitle();
const std::vector<std::pair<std::string, std::string>>& TitleReplacements();
// "+hhmm" / "-hhmm", computed by ResolveServerPaths.
const std::string& TimeZoneSuffix();

// Sets the temporary, mail and log directory fields of the loaded settings
// (each as a directory text: trailing backslash, at most 255 characters) and
// the paths that follow them.
void SetDataDirectories(const std::string& temp_dir, const std::string& mail_dir, const std::string& log_dir);

// Takes the temporary, mail and log directories from the loaded settings,
// and the forward directories below the mail directory unless path.dat set
// them. A step of LoadServerConfig.
void FollowSettingsDirectories();

}  // namespace serverconf
