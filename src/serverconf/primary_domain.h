// The primary domain that the first-run wizard sets up: the server's host
// name, a new first domain with its role aliases, and the domain's
// administrator account.
#pragma once

#include <string>

#include "serverconf/account_records.h"

namespace serverconf {

// The role aliases every new primary domain gets.
inline constexpr char kPrimaryDomainRoleAliases[] =
    "postmaster;admin;administrator;supervisor;hostmaster;webmaster;abuse";

// The wizard's answers as they are used: host name, domain and user name
// trimmed, the password as typed.
struct PrimaryDomainAnswers {
  std::string host_name;
  std::string domain;
  std::string user_name;
  std::string password;

  static PrimaryDomainAnswers Gather(const std::string& host_name, const std::string& domain,
                                     const std::string& user_name, const std::string& password);
  // user name + "@" + domain.
  std::string AdministratorAddress() const { return user_name + "@" + domain; }
};

// The domain record of a new primary domain: all zero but the role aliases
// and the administrator's address.
DomainRecord NewPrimaryDomainRecord(const PrimaryDomainAnswers& answers);

// The administrator's account: a user account, all zero but the full name
// (the user name with its first character in upper case), the alias list
// and primary alias (the user name), the password as typed, the mailbox
// (domain + "\" + the first alias + "\", cleaned with CleanFileName in
// `clean_mode`) and the set-up mark.
UserRecord NewAdministratorRecord(const PrimaryDomainAnswers& answers, uint8_t clean_mode);

// Whether a domain name can name the domain's directory: not empty, no
// path separator or drive colon, not "." or "..".
bool IsUsableDomainName(const std::string& domain);

// --- Win32: on the loaded configuration store ---------------------------

// Stores the host name, empties the temporary, mail and log directory
// fields (the next load puts their defaults back under the install
// directory), adds and registers the domain, writes its domain record,
// makes it domain 0 (the former first domain keeps its records and binding
// under the new domain's former index), saves the configuration and, when
// that succeeded, tells the running servers (not the web console) to
// reload. True when the configuration was saved.
bool CreatePrimaryDomain(const PrimaryDomainAnswers& answers);
// Appends the administrator's account to domain 0. True when written.
bool CreateDomainAdministrator(const PrimaryDomainAnswers& answers);

// Loads the configuration of `install_dir` + "config\" and, unless the
// store already knows the domain (FindDomain: lower case, addresses and
// sub-domain patterns), creates it and its administrator; then releases
// the storage library. Answers with no usable domain or user name change
// nothing (logged). True when the configuration with the new domain was
// saved and the administrator's account written.
bool ApplyPrimaryDomainAnswers(const std::string& install_dir, const PrimaryDomainAnswers& answers);

}  // namespace serverconf
