// The mail server's configuration store, as far as start-up uses it.
//
// Process-wide: the server paths, the loaded settings and the product
// information live from ResolveServerPaths (or the first assignment of the
// paths) to the end of the process.
//
// The settings record is not read from disk yet: LoadServerConfig finds
// settings.cfg but leaves the in-memory settings at their load-time
// defaults and answers as for an unreadable file. Every caller goes through
// these functions, so reading the record changes nothing at the call sites.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace xmldoc {
class TXMLObject;
}

namespace serverconf {

struct ServerPaths {
  std::string install_dir;  // ends in a backslash, at most 255 characters
  std::string config_dir;   // ends in a backslash, at most 255 characters
};

ServerPaths& Paths();

// Sets the install directory (cut to 255 characters, a trailing backslash added).
void SetInstallPath(const std::string& dir);
// Sets the configuration directory (cut to 255 characters, a trailing backslash added).
void SetConfigPath(const std::string& dir);

// Establishes the paths for a command mode: the install directory is
// `install_dir_switch` when not empty, else `program_dir`; the
// configuration directory is the install directory + "config\".
void ResolveServerPaths(const std::string& install_dir_switch, const std::string& program_dir);

// Loads the product information document from `file`, releasing the one
// held before. When the file is missing or cannot be parsed no document is
// held afterwards. Returns whether a document is held.
bool LoadProductInformation(const std::string& file);
// The product information document, or nullptr when none is held.
const xmldoc::TXMLObject* ProductInformation();

// Reads the configuration of the configuration directory. True when
// settings.cfg was read; when it is missing or unreadable, the negation of
// `missing_is_success`.
bool LoadServerConfig(bool missing_is_success, bool skip_server_start);

// Releases the storage library that loading may have bound.
void UnloadDatabaseLibrary();

// The loaded settings the setup reads and writes.
uint8_t Edition();  // 0 Standard, 1 Professional, 2 Lite
void SetEdition(uint8_t edition);
std::string ConsoleFile();  // "advanced.xml", "basic.xml" or what the file holds
std::string WebConsoleHost();
uint16_t WebConsolePort();

}  // namespace serverconf
