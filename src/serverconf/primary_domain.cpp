#include "serverconf/primary_domain.h"

#include <cctype>

#include "serverconf/config_comment.h"

namespace serverconf {

PrimaryDomainAnswers PrimaryDomainAnswers::Gather(const std::string& host_name, const std::string& domain,
                                                  const std::string& user_name, const std::string& password) {
  return {TrimConfigText(host_name), TrimConfigText(domain), TrimConfigText(user_name), password};
}

DomainRecord NewPrimaryDomainRecord(const PrimaryDomainAnswers& answers) {
  DomainRecord record;
  record.SetString(domain_field::kRoleAliases, kPrimaryDomainRoleAliases);
  record.SetString(domain_field::kAdministratorAddress, answers.AdministratorAddress());
  return record;
}

UserRecord NewAdministratorRecord(const PrimaryDomainAnswers& answers, uint8_t clean_mode) {
  UserRecord record;
  std::string full_name = answers.user_name;
  if (!full_name.empty()) full_name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(full_name[0])));
  record.SetString(user_field::kFullName, full_name);
  record.SetString(user_field::kAliases, answers.user_name);
  record.SetString(user_field::kPrimaryAlias, answers.user_name);
  record.SetString(user_field::kPassword, answers.password);
  const std::string first_alias = TrimConfigText(answers.user_name.substr(0, answers.user_name.find(';')));
  record.SetString(user_field::kMailbox, CleanFileName(answers.domain + "\\" + first_alias + "\\", clean_mode));
  record.SetByte(user_field::kCreatedBySetup, 1);
  return record;
}

bool IsUsableDomainName(const std::string& domain) {
  return !domain.empty() && domain.find_first_of("\\/:") == std::string::npos &&
         domain.find_first_not_of('.') != std::string::npos;
}

}  // namespace serverconf
