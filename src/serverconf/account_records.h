// The records of one domain of the mail server: "domain.cfg" (one
// DomainRecord) and "users.cfg" (UserRecords one after another) in the
// domain's directory under the configuration directory, each record
// scrambled with ConfigScramble from key position 0. Only the fields below
// are interpreted; every other byte is carried through unchanged.
//
// Pure: no <windows.h>; file access is the store's (account_store.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "serverconf/fixed_record.h"

namespace serverconf {

inline constexpr size_t kDomainRecordSize = 913;
inline constexpr size_t kUserRecordSize = 2848;

namespace domain_field {
inline constexpr StringField kRoleAliases{128, 255};           // ";"-separated
inline constexpr StringField kAdministratorAddress{384, 255};
}  // namespace domain_field

namespace user_field {
inline constexpr size_t kAccountType = 0;                      // byte: 0 = user account
inline constexpr StringField kFullName{4, 254};
inline constexpr StringField kAliases{260, 255};               // ";"-separated, the first is primary
inline constexpr StringField kPrimaryAlias{516, 127};
inline constexpr size_t kValidityLimit = 645;                  // byte
inline constexpr size_t kValidUntil = 648;                     // double: days since 30 December 1899
inline constexpr size_t kRequireActiveFile = 662;              // 16-bit: mailbox must hold active.dat
inline constexpr StringField kPassword{772, 127};
inline constexpr StringField kMailbox{1028, 127};              // relative to the mail directory, ends in "\"
inline constexpr size_t kCreatedBySetup = 1284;                // byte
inline constexpr size_t kFlags = 1293;                         // byte
inline constexpr uint8_t kKeepRespondFile = 0x02;              // flag: keep respond.dat when saved
inline constexpr size_t kSuppressWelcome = 1295;               // byte
}  // namespace user_field

inline constexpr uint8_t kUserAccount = 0;

using DomainRecord = FixedRecord<kDomainRecordSize>;

class UserRecord : public FixedRecord<kUserRecordSize> {
 public:
  uint8_t AccountType() const { return Byte(user_field::kAccountType); }
  std::string Aliases() const { return String(user_field::kAliases); }
  // The first ";"-item of the alias list, trimmed.
  std::string FirstAlias() const;
  std::string Mailbox() const { return String(user_field::kMailbox); }
};

// A group of groups.dat: its name and its members.
struct AccountGroup {
  std::string name;
  std::vector<std::string> members;
};

// groups.dat: one group a line, "name=member;member;...", comments removed
// with StripConfigComment; lines without "=" or with an empty name are
// passed over. Names and members are trimmed.
std::vector<AccountGroup> ParseGroups(const std::string& text);

// Whether the alias `given` answers to a record's alias list `aliases`.
// Both sides are trimmed and compared without regard to case; an empty side
// never matches. When neither side holds ";" the two are compared whole;
// otherwise both are split at ";" and any item of `given` equal to any item
// of the list matches, as does a list item that is a group reference
// ("[name]", the name beginning with a letter) whose group holds `given`.
bool AliasMatches(const std::string& given, const std::string& aliases, const std::vector<AccountGroup>& groups);

// Characters not allowed in a mailbox path, by the store's mode: mode 0
// removes '"', '*', '/', ':', '<', '>', '?' and '|'; mode 1 the same but
// '/' and ':'; any other mode removes nothing.
std::string CleanFileName(const std::string& text, uint8_t mode);

// Whether a mailbox text names a directory inside the mail directory: not
// empty, relative (no drive, no leading separator) and without "." or ".."
// segments. Mailboxes that fail this are never touched on disk.
bool IsContainedMailbox(const std::string& mailbox);

// The record date of a calendar day: days since 30 December 1899.
double RecordDate(int year, int month, int day);

}  // namespace serverconf
