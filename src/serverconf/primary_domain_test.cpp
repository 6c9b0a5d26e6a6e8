// The primary domain set up from the first-run wizard's answers, on real
// configuration files.
#include "serverconf/primary_domain.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "serverconf/config_store.h"
#include "support/config_store_test_support.h"

namespace serverconf {
namespace {

using namespace serverconf::testing;
namespace f = settings_field;

std::string WideEntry(const std::string& name) {
  std::string entry(kDomainEntrySize, '\0');
  entry[0] = char(name.size());
  entry.replace(1, name.size(), name);
  return entry;
}

class PrimaryDomain : public ::testing::Test {
 protected:
  void SetUp() override { ResolveServerPaths(Inst(), "C:\\unused\\"); }
  std::string Inst() const { return folder_.Dir() + "inst\\"; }
  // An installed configuration: a plain settings record with `domains`.
  void Install(const std::vector<std::string>& domains) const {
    std::string plain(kServerSettingsSize, '\0');
    PutStr(plain, f::kHostName.offset, "old.host");
    plain[f::kDomainTableWide] = 1;
    PutLe(plain, f::kDomainCount, 4, uint32_t(domains.size()));
    folder_.Write("inst\\config\\settings.cfg", Scrambled(plain));
    std::string table;
    for (const std::string& d : domains) table += WideEntry(d);
    folder_.Write("inst\\config\\domains.cfg", table);
  }
  std::string Config(const std::string& relative) const { return folder_.Read("inst\\config\\" + relative); }
  TempFolder folder_;
};

TEST_F(PrimaryDomain, NewInstallationGetsDomainRecordAndAdministrator) {
  Install({});
  const auto answers = PrimaryDomainAnswers::Gather(" mail.example.com ", " Example.com\t", " admin ", " pass word ");
  ASSERT_TRUE(ApplyPrimaryDomainAnswers(Inst(), answers));

  const std::string settings = Unscrambled(Config("settings.cfg"));
  ASSERT_EQ(settings.size(), kServerSettingsSize);
  EXPECT_EQ(Str(settings, 0), "mail.example.com");
  EXPECT_EQ(Str(settings, 256), "") << "temporary directory emptied for the next load";
  EXPECT_EQ(Str(settings, 512), "");
  EXPECT_EQ(Str(settings, 768), "");
  EXPECT_EQ(Config("domains.cfg"), WideEntry("example.com"));

  std::string domain(kDomainRecordSize, '\0');
  PutStr(domain, 128, "postmaster;admin;administrator;supervisor;hostmaster;webmaster;abuse");
  PutStr(domain, 384, "admin@Example.com");
  EXPECT_EQ(Unscrambled(Config("example.com\\domain.cfg")), domain) << "all other bytes zero";

  std::string user(kUserRecordSize, '\0');
  PutStr(user, 4, "Admin");
  PutStr(user, 260, "admin");
  PutStr(user, 516, "admin");
  PutStr(user, 772, " pass word ");
  PutStr(user, 1028, "Example.com\\admin\\");
  user[1284] = 1;
  EXPECT_EQ(Unscrambled(Config("example.com\\users.cfg")), user) << "one record, all other bytes zero";

  ASSERT_TRUE(LoadServerConfig(false, false));
  EXPECT_EQ(Paths().mail_dir, Inst() + "mail\\") << "the emptied directories come back as defaults";
}

TEST_F(PrimaryDomain, MailboxIsCleanedAndFullNameCapitalised) {
  const UserRecord record =
      NewAdministratorRecord(PrimaryDomainAnswers::Gather("h", "ex:ample.com", "boss|man;other", "x"), 0);
  EXPECT_EQ(record.String(user_field::kFullName), "Boss|man;other");
  EXPECT_EQ(record.String(user_field::kAliases), "boss|man;other");
  EXPECT_EQ(record.String(user_field::kMailbox), "example.com\\bossman\\") << "first alias, cleaned";
}

TEST_F(PrimaryDomain, ExistingDomainChangesNothing) {
  Install({"example.com", "other.com"});
  folder_.Write("inst\\config\\subdomains.dat", "*.sub.example=other.com\r\n");
  const std::string before = Config("settings.cfg");
  for (const char* domain : {"EXAMPLE.com", "x.sub.example"}) {
    EXPECT_FALSE(ApplyPrimaryDomainAnswers(Inst(), PrimaryDomainAnswers::Gather("new.host", domain, "admin", "pw")))
        << domain;
    EXPECT_EQ(Config("settings.cfg"), before) << domain;
    EXPECT_EQ(Config("domains.cfg"), WideEntry("example.com") + WideEntry("other.com")) << domain;
    EXPECT_FALSE(folder_.Exists("inst\\config\\example.com\\users.cfg")) << domain;
  }
}

TEST_F(PrimaryDomain, NewDomainBecomesFirstAndTheFormerFirstKeepsItsRecords) {
  Install({"first.com", "second.com"});
  folder_.Write("inst\\config\\first.com\\bind.dat", "10.0.0.1\r\n");
  folder_.Write("inst\\config\\first.com\\users.cfg", Scrambled(std::string(kUserRecordSize, 'u')));
  ASSERT_TRUE(ApplyPrimaryDomainAnswers(Inst(), PrimaryDomainAnswers::Gather("h", "new.com", "root", "pw")));

  EXPECT_EQ(Config("domains.cfg").substr(0, 2 * kDomainEntrySize), WideEntry("new.com") + WideEntry("second.com"));
  ASSERT_TRUE(LoadServerConfig(false, false));
  ASSERT_EQ(Domains().Count(), 3u);
  EXPECT_EQ(Domains().Name(2), "first.com");
  EXPECT_EQ(ReadDomainBinding(2), "10.0.0.1") << "the binding moved with its domain";
  EXPECT_EQ(ReadDomainBinding(0), "");
  EXPECT_EQ(Config("first.com\\users.cfg"), Scrambled(std::string(kUserRecordSize, 'u')));
  EXPECT_EQ(Config("new.com\\users.cfg").size(), kUserRecordSize) << "the administrator went to the new domain";
}

TEST_F(PrimaryDomain, UnusableAnswersChangeNothing) {
  Install({"first.com"});
  const std::string before = Config("settings.cfg");
  for (const char* domain : {"", "  ", "..", "a\\b", "c:"})
    EXPECT_FALSE(ApplyPrimaryDomainAnswers(Inst(), PrimaryDomainAnswers::Gather("h", domain, "admin", "pw")))
        << "\"" << domain << "\"";
  EXPECT_FALSE(ApplyPrimaryDomainAnswers(Inst(), PrimaryDomainAnswers::Gather("h", "ok.com", " ", "pw")));
  EXPECT_EQ(Config("settings.cfg"), before);
  EXPECT_EQ(Config("domains.cfg"), WideEntry("first.com"));
}

}  // namespace
}  // namespace serverconf
