#include "serverconf/demo_configuration.h"

#include <windows.h>

#include "serverconf/account_store.h"
#include "serverconf/config_conversion.h"
#include "serverconf/config_store.h"
#include "serverconf/dns_servers.h"
#include "win32/log.h"

namespace serverconf {
namespace {

namespace f = settings_field;

double TodayPlus(int days) {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return RecordDate(now.wYear, now.wMonth, now.wDay) + days;
}

void LimitDemoAccounts() {
  if (Domains().Count() == 0 || Domains().Name(0) != kDemoDomainName) {
    win32::LogLine(std::string("demo configuration: the first domain is not ") + kDemoDomainName +
                   "; no account limited");
    return;
  }
  const double valid_until = TodayPlus(kDemoAccountValidDays);
  UserEnumerator walk;
  OpenUserEnumeration(kDemoDomainName, walk, "", 0, 0);
  while (!NextUser(walk)) {
    UserRecord record = walk.record;
    if (record.AccountType() != kUserAccount) continue;
    record.SetByte(user_field::kValidityLimit, 1);
    record.SetDouble(user_field::kValidUntil, valid_until);
    const int index = FindUserIndex(0, record.FirstAlias());
    // An account that cannot be found again is left alone rather than
    // appended a second time.
    if (index < 0) {
      win32::LogLine("demo configuration: account " + record.FirstAlias() + " not found again; left as it was");
      continue;
    }
    SaveUser(0, record, index, false);
  }
  CloseUserEnumeration(walk);
}

}  // namespace

void PrepareDemoConfiguration(const std::string& install_dir) {
  try {
    SetConfigPath(install_dir + "config\\");
    LoadServerConfig(false, false);
    UnloadDatabaseLibrary();
    SetEdition(kEditionProfessional);
    StoreInstallPaths(install_dir);
    const std::string dns = SystemDnsServers();
    if (!dns.empty()) Settings().SetString(f::kDnsServers, dns);
    SaveServerConfig();
    LimitDemoAccounts();
  } catch (const std::exception& e) {
    win32::LogLine(std::string("demo configuration: preparing failed: ") + e.what());
  }
}

}  // namespace serverconf
