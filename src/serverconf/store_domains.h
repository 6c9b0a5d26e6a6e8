// The configuration store's domain table (domain_table.h) and the domain
// operations on it: loaded with the settings (from domains.cfg, else from
// the table behind the record of an older settings.cfg, with the
// conversions of older layouts) and written to domains.cfg by every save.
// In database mode the operations also tell the storage library
// (database_library.h) what they change.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "serverconf/domain_table.h"

namespace serverconf {

// The domain table as loaded and edited.
const DomainTable& Domains();

// The directory of domain `index` (configuration directory + name + "\");
// nothing for an index past the table or a name that is empty or could
// leave the configuration directory.
std::optional<std::string> DomainDirectory(size_t index);

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

// Whether configuration_dir + "subdomains.dat" existed at the last load.
bool SubdomainsFilePresent();

// Steps of LoadServerConfig and SaveServerConfig.
// Reads the table: domains.cfg, else the tail of `settings_file` (the whole
// settings file as read, empty when there is none); a domains.cfg that
// exists but cannot be read leaves no table, and the save then leaves
// domains.cfg alone. Notes whether subdomains.dat exists.
void LoadStoreDomains(const std::string& settings_file);
// Writes `dir` + "domains.cfg" anew from the held table and stores its count
// in the loaded settings (offset 7020). False when no table is held or the
// file could not be written.
bool SaveStoreDomains(const std::string& dir);

}  // namespace serverconf
