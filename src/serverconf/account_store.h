// The domain and account records of the configuration store: domain.cfg and
// users.cfg in each domain's directory (configuration directory + name +
// "\"), or the storage library in database mode (settings byte 3633 = 2).
//
// Nothing is reported to the user: a file that cannot be opened makes an
// operation answer false (or -1, or the end of a walk), logged once with
// what failed; exceptions are caught inside each operation. Passwords are
// read and written as stored (the setup never enciphers them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "serverconf/account_records.h"
#include "win32/scoped_handle.h"

namespace serverconf {

// Writes the domain record of domain `index`: in database mode first
// through the library (DBSetDomain); then configuration directory + name +
// "\domain.cfg" is created anew with the record scrambled. True when the
// file was written.
bool SaveDomainRecord(const DomainRecord& record, size_t index);

// Writes an account of domain `domain_index` into its users.cfg at
// `record_index` (-1, or the number of records, appends: a new account).
// Nothing happens (false) when the record's alias field is empty, when the
// index lies beyond the end of the file, or when the domain has no usable
// directory name. After a successful write of a user account: unless the
// record's flags keep it, the mailbox's "respond.dat" is deleted; when the
// record asks for it, an empty "active.dat" is created in the mailbox
// (mailboxes outside the mail directory are never touched). The welcome
// message, directory synchronisation and the account cache are the
// running server's and are left to it. `refresh_cache` matters only to the
// server's account cache. A failed write leaves users.cfg as it was.
bool SaveUser(size_t domain_index, const UserRecord& record, int record_index, bool refresh_cache);

// The index of the first account of domain `domain_index` whose alias list
// answers to `alias` (AliasMatches, with the groups of configuration
// directory + "groups.dat"); -1 when none does or users.cfg cannot be read.
int FindUserIndex(size_t domain_index, const std::string& alias);

// A walk over the accounts of one domain.
struct UserEnumerator {
  std::string domain;  // at most 95 characters
  int count = 0;       // records in the file
  int index = -1;      // index of `record`
  bool open = false;
  uint8_t mode = 0;
  std::string filter;
  UserRecord record;
  bool database = false;            // the walk goes through the storage library
  win32::ScopedHandle file;         // file mode
  void* database_cursor = nullptr;  // database mode
};

// Decides, for a walk with a non-empty filter, whether a record is taken.
// Installed by the server; without one every record is taken.
using UserFilter = std::function<bool(const UserRecord&, const std::string& filter)>;
void SetUserFilter(UserFilter filter);

// Opens a walk over the accounts of `domain`, passing over `skip` records
// first when the file holds more than that many. True when the walk is open.
bool OpenUserEnumeration(const std::string& domain, UserEnumerator& walk, const std::string& filter,
                         uint8_t mode, int skip);
// True at the end of the walk (or when it is not open); otherwise the next
// record is in walk.record, walk.index has risen by one, and the answer is
// false.
bool NextUser(UserEnumerator& walk);
void CloseUserEnumeration(UserEnumerator& walk);

}  // namespace serverconf
