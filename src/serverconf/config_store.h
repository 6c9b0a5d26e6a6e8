// The mail server's configuration store, as the setup uses it.
//
// Process-wide: the server paths, the settings record, the path.dat
// overrides, the product information, the server title and the time-zone
// suffix live from ResolveServerPaths (or the first assignment of the paths)
// to the end of the process. Every LoadServerConfig replaces the in-memory
// settings. File errors are never reported to the user: they are logged, the
// in-memory state stays as it was (or at its defaults) and operations with a
// result answer false.
//
// The domain table is held here too (domain_table.h): loaded with the
// settings (from domains.cfg, else from the table behind the record of an
// older settings.cfg, with the conversions of older layouts) and written to
// domains.cfg by every save. In database mode (settings byte 3633 = 2) the
// load also binds the storage library "db.dll" (database_library.h), which
// stays loaded until UnloadDatabaseLibrary; the domain operations below
// then tell it what they change.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "serverconf/domain_table.h"
#include "serverconf/path_overrides.h"
#include "serverconf/server_settings.h"

namespace xmldoc {
class TXMLObject;
}

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

// Loads the product information document from `file`, releasing the one
// held before. When the file is missing or cannot be parsed no document is
// held afterwards. Returns whether a document is held.
bool LoadProductInformation(const std::string& file);
// The product information document, or nullptr when none is held.
const xmldoc::TXMLObject* ProductInformation();

// "Tarno 8.3.8" or the first line of servertitle.dat, and its replacement pairs.
const std::string& ProductTitle();
const std::vector<std::pair<std::string, std::string>>& TitleReplacements();
// "+hhmm" / "-hhmm", computed by ResolveServerPaths.
const std::string& TimeZoneSuffix();

// Reads configuration_dir + "settings.cfg" over the initial record, applies
// the load-time defaults and normalisations, path.dat lines 10 and 11, reads
// the domain table (LoadDomainTable: domains.cfg, else the table behind the
// record of the settings file; a domains.cfg that exists but cannot be read
// leaves no table, and saving then leaves domains.cfg alone; without a
// settings file, domains.cfg is taken in its current 96-byte form), the
// server-wide bind.dat and notes whether subdomains.dat exists. True when
// settings.cfg was read; when it is missing or unreadable, the negation of
// `missing_is_success` (the record then holds the defaults).
// `skip_server_start` leaves out the server's own start-up work: without
// it, in database mode, db.dll is loaded from the install directory (or its
// lib\ folder) and given the settings' connection text (DBSetConnection),
// then DBReloadConfig. A library that fails is logged; the result still
// says only whether settings.cfg was read.
bool LoadServerConfig(bool missing_is_success, bool skip_server_start);

// Creates the configuration directory with its parents, writes domains.cfg
// anew from the held table (its count stored at settings offset 7020) and
// then settings.cfg anew as the whole record scrambled. domains.cfg goes
// first so that a table kept behind an older record is never lost. True
// when either file could be created.
bool SaveServerConfig();

// The system's DNS servers from its network parameters: the current one
// first, then the list, each address at most 16 characters, joined with
// ";" and cut to 127 characters. Empty when the system names none.
std::string SystemDnsServers();

// DBDoneConnection and release of the storage library that loading may have
// bound; nothing when none is bound.
void UnloadDatabaseLibrary();

// The settings record as loaded.
ServerSettings& Settings();

// The domain table as loaded and edited.
const DomainTable& Domains();

// The directory of domain `index` (configuration directory + name + "\");
// nothing for an index past the table or a name that is empty or could
// leave the configuration directory.
std::optional<std::string> DomainDirectory(size_t index);

// Whether domains and accounts live in the storage library (settings byte
// 3633 = 2) rather than in the record files.
bool DatabaseMode();

// Switches of FindDomain: decoding of "xn--" labels and "[address]" forms.
struct DomainLookupSwitches {
  bool idn = true;
  bool address_literals = true;
};
DomainLookupSwitches& DomainLookup();

// Appends a domain (DomainTable::Add: lower-cased, cut to 91 characters;
// an empty name only grows the table) under the account files' lock. True
// unless it failed (logged).
bool AddDomain(const std::string& name, size_t step = 1);
// The index of the domain `name` answers to (DomainTable::Find; the
// server's own addresses are the bind address list and 127.0.0.1, the
// patterns those of configuration_dir + "subdomains.dat"), or nothing.
std::optional<size_t> FindDomain(const std::string& name);
// True in file mode; in database mode DBAddDomain's answer (false when the
// library is not loaded).
bool RegisterDomain(const std::string& name);
// Swaps domain `index` with domain 0, names and bindings (each binding
// moves with its domain); in database mode then DBMakeDomainPrimary with
// the name now first (also for index 0). True, whatever the library
// answers; false for an index past the table.
bool MakeDomainPrimary(size_t index);
// The binding of domain `index`: the first line of configuration_dir +
// name + "\bind.dat", trimmed, then the table address unless it is 0.0.0.0
// or 255.255.255.255, joined by ";". Empty for an index past the table.
std::string ReadDomainBinding(size_t index);
// A non-empty text (trimmed) becomes the single line of the domain's
// bind.dat and the table address 255.255.255.255; an empty text deletes
// bind.dat and leaves 0.0.0.0. In database mode the same address goes to
// DBSetDomainIP. False for an index past the table, a name that is no
// usable directory name, a failed write, or the library's refusal.
bool WriteDomainBinding(size_t index, const std::string& text);

// Set by path.dat line 10 and bind.dat "Outgoing_Bind="; bind.dat "IPv6_Bind=".
const std::string& OutgoingBindAddress();
const std::string& IPv6BindAddress();
// Whether configuration_dir + "subdomains.dat" existed at the last load.
bool SubdomainsFilePresent();

// Sets the temporary, mail and log directory fields of the loaded settings
// (each as a directory text: trailing backslash, at most 255 characters) and
// the paths that follow them.
void SetDataDirectories(const std::string& temp_dir, const std::string& mail_dir, const std::string& log_dir);

// The loaded settings the setup reads and writes.
uint8_t Edition();  // 0 Standard, 1 Professional, 2 Lite
void SetEdition(uint8_t edition);
std::string ConsoleFile();  // "advanced.xml", "basic.xml" or what the file holds
// The first bind address when the record says to use it, else "localhost".
std::string WebConsoleHost();
uint16_t WebConsolePort();

// The message that tells a running server to reload its configuration.
inline constexpr unsigned kServerReloadMessage = 0x400 + 256;

// Sends kServerReloadMessage to the main windows of the running servers
// (the ServiceTable's window classes and captions; the web and control
// server's "TControlForm" "Control" only with `include_web_console`). Servers that are not running are skipped; a
// server that does not answer within a few seconds is passed over.
// Returns how many windows were told.
int NotifyServersReload(bool include_web_console);

}  // namespace serverconf
