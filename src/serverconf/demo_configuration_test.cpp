// The demonstration configuration prepared for this machine after the
// installation unpacked it.
#include "serverconf/demo_configuration.h"

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cstring>

#include "democonfig.h"
#include "serverconf/account_records.h"
#include "serverconf/config_store.h"
#include "serverconf/dns_servers.h"
#include "support/config_store_test_support.h"

namespace serverconf {
namespace {

using namespace serverconf::testing;
namespace f = settings_field;

std::string Users(const TempFolder& folder) {
  return Unscrambled(folder.Read(std::string("inst\\config\\") + kDemoDomainName + "\\users.cfg"));
}

double Date(const std::string& record) {
  double value;
  std::memcpy(&value, record.data() + 648, 8);
  return value;
}

class DemoConfiguration : public ::testing::Test {
 protected:
  void SetUp() override {
    ResolveServerPaths(Inst(), "C:\\unused\\");
    std::string error;
    ASSERT_TRUE(democonfig::WriteDemoConfiguration(folder_.Dir() + "inst\\config", error)) << error;
  }
  std::string Inst() const { return folder_.Dir() + "inst\\"; }
  TempFolder folder_;
};

TEST_F(DemoConfiguration, UserAccountsGetThirtyDaysAndOthersStayAsTheyWere) {
  const std::string before = Users(folder_);
  PrepareDemoConfiguration(Inst());
  const std::string after = Users(folder_);
  ASSERT_EQ(after.size(), before.size()) << "no account added or removed";

  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  now.wHour = now.wMinute = now.wSecond = now.wMilliseconds = 0;
  double today = 0;
  ASSERT_TRUE(::SystemTimeToVariantTime(&now, &today));

  int limited = 0;
  for (size_t at = 0; at < before.size(); at += kUserRecordSize) {
    const std::string old_record = before.substr(at, kUserRecordSize);
    const std::string new_record = after.substr(at, kUserRecordSize);
    if (old_record[0] != 0) {
      EXPECT_EQ(new_record, old_record) << "account " << at / kUserRecordSize << " of type " << int(old_record[0]);
      continue;
    }
    ++limited;
    EXPECT_EQ(new_record[645], 1) << "account " << at / kUserRecordSize;
    EXPECT_EQ(Date(new_record), today + 30) << "account " << at / kUserRecordSize;
    std::string rest = new_record;
    rest[645] = old_record[645];
    rest.replace(648, 8, old_record.substr(648, 8));
    EXPECT_EQ(rest, old_record) << "nothing else changes, account " << at / kUserRecordSize;
  }
  EXPECT_GE(limited, 2);

  const std::string settings = Unscrambled(folder_.Read("inst\\config\\settings.cfg"));
  EXPECT_EQ(settings[f::kProductEdition], 1);
  EXPECT_EQ(Str(settings, 256), Inst() + "temp\\");
  EXPECT_EQ(Str(settings, 512), Inst() + "mail\\");
  EXPECT_EQ(Str(settings, 768), Inst() + "logs\\");
  const std::string dns = SystemDnsServers();
  if (!dns.empty()) {
    EXPECT_EQ(Str(settings, 1304), dns);
  }
}

TEST_F(DemoConfiguration, WithoutUsersFileNothingIsCreated) {
  const std::string users = std::string("inst\\config\\") + kDemoDomainName + "\\users.cfg";
  ASSERT_TRUE(::DeleteFileA((folder_.Dir() + users).c_str()));
  PrepareDemoConfiguration(Inst());
  EXPECT_FALSE(folder_.Exists(users));
  EXPECT_EQ(Unscrambled(folder_.Read("inst\\config\\settings.cfg"))[f::kProductEdition], 1);
}

TEST_F(DemoConfiguration, AnotherFirstDomainLeavesEveryAccountAlone) {
  std::string table(kDomainEntrySize, '\0');
  PutStr(table, 0, "other.example");
  folder_.Write("inst\\config\\domains.cfg", table);
  const std::string before = Users(folder_);
  PrepareDemoConfiguration(Inst());
  EXPECT_EQ(Users(folder_), before);
  EXPECT_FALSE(folder_.Exists("inst\\config\\other.example\\users.cfg"));
}

}  // namespace
}  // namespace serverconf
