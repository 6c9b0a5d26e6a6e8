// The mail server's configuration store, as the setup uses it: the settings
// record loaded from and saved to the configuration directory.
//
// Process-wide: the store's state lives to the end of the process. Every
// LoadServerConfig replaces the in-memory settings. File errors are never
// reported to the user: they are logged, the in-memory state stays as it
// was (or at its defaults) and operations with a result answer false.
//
// The store's other parts, each in a file of its own, are included here:
// its paths (store_paths.h), the product information (product_information.h),
// the domain table and its operations (store_domains.h) and the bind
// addresses beyond the record (bind_addresses.h). In database mode (settings
// byte 3633 = 2) the load also binds the storage library "db.dll"
// (database_library.h), which stays loaded until UnloadDatabaseLibrary.
#pragma once

#include <cstdint>
#include <string>

#include "serverconf/bind_addresses.h"
#include "serverconf/product_information.h"
#include "serverconf/server_settings.h"
#include "serverconf/store_domains.h"
#include "serverconf/store_paths.h"

namespace serverconf {

// Reads configuration_dir + "settings.cfg" over the initial record
// (ServerSettings::Initial: a missing file leaves all of it, a short one the
// part behind its bytes, the Professional edition included), applies
// the load-time defaults and normalisations, path.dat lines 10 and 11, reads
// the domain table (LoadStoreDomains: domains.cfg, else the table behind the
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

// DBDoneConnection and release of the storage library that loading may have
// bound; nothing when none is bound.
void UnloadDatabaseLibrary();

// The settings record as loaded.
ServerSettings& Settings();

// Whether domains and accounts live in the storage library (settings byte
// 3633 = 2) rather than in the record files.
bool DatabaseMode();

// The loaded settings the setup reads and writes.
uint8_t Edition();  // 0 Standard, 1 Professional, 2 Lite
void SetEdition(uint8_t edition);
std::string ConsoleFile();  // "advanced.xml", "basic.xml" or what the file holds
// The first bind address when the record says to use it, else "localhost".
std::string WebConsoleHost();
uint16_t WebConsolePort();

}  // namespace serverconf
