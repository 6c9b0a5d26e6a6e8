// The store side of the primary domain: the records are built by the pure
// part (primary_domain.cpp) and written through the configuration store.
#include <windows.h>

#include "serverconf/account_store.h"
#include "serverconf/config_store.h"
#include "serverconf/primary_domain.h"
#include "serverconf/server_reload.h"
#include "win32/log.h"

namespace serverconf {

namespace f = settings_field;

bool CreatePrimaryDomain(const PrimaryDomainAnswers& answers) {
  ServerSettings& settings = Settings();
  settings.SetString(f::kHostName, answers.host_name);
  for (StringField field : {f::kTempDir, f::kMailDir, f::kLogDir}) settings.SetString(field, "");

  const DomainRecord record = NewPrimaryDomainRecord(answers);
  AddDomain(answers.domain, 1);
  RegisterDomain(answers.domain);
  const size_t index = Domains().Count() - 1;
  SaveDomainRecord(record, index);
  MakeDomainPrimary(index);

  if (!SaveServerConfig()) return false;
  NotifyServersReload(false);
  return true;
}

bool CreateDomainAdministrator(const PrimaryDomainAnswers& answers) {
  const UserRecord record = NewAdministratorRecord(answers, Settings().Byte(f::kCleanFileNameMode));
  return SaveUser(0, record, -1, false);
}

bool ApplyPrimaryDomainAnswers(const std::string& install_dir, const PrimaryDomainAnswers& answers) {
  if (!IsUsableDomainName(answers.domain) || answers.user_name.empty()) {
    win32::LogLine("primary domain: \"" + answers.domain + "\" with user \"" + answers.user_name +
                   "\" cannot be set up; nothing changed");
    return false;
  }
  SetConfigPath(install_dir + "config\\");
  LoadServerConfig(false, false);
  bool created = false;
  if (FindDomain(answers.domain)) {
    win32::LogLine("primary domain: " + answers.domain + " exists already; nothing changed");
  } else {
    created = CreatePrimaryDomain(answers);
    created = CreateDomainAdministrator(answers) && created;
  }
  UnloadDatabaseLibrary();
  return created;
}

}  // namespace serverconf
