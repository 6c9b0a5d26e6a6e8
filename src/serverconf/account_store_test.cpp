// Domain and account records on disk: users.cfg written, appended, searched
// and walked; domain.cfg written; the mailbox marker files. Record images
// are built here byte by byte, never by the code under test.
#include "serverconf/account_store.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "serverconf/config_store.h"
#include "support/config_store_test_support.h"

namespace serverconf {
namespace {

using namespace serverconf::testing;

// A plain account record: every byte patterned (so that a byte the store
// should keep but drops shows), the account type and alias list set.
std::string PlainUser(const std::string& aliases, uint8_t type = 0, uint8_t fill = 0x5C) {
  std::string r(kUserRecordSize, '\0');
  for (size_t i = 0; i < r.size(); ++i) r[i] = char(fill + i % 7);
  r[0] = char(type);
  r.replace(260, 256, 256, '\0');
  PutStr(r, 260, aliases);
  r.replace(1028, 128, 128, '\0');
  PutLe(r, 662, 2, 0);
  r[1293] = 0;
  return r;
}

UserRecord FromPlain(const std::string& plain) {
  UserRecord record;
  std::copy(plain.begin(), plain.end(), record.Bytes().begin());
  return record;
}

class AccountStore : public ::testing::Test {
 protected:
  void SetUp() override {
    ResolveServerPaths(folder_.Dir() + "inst", "C:\\unused\\");
    ASSERT_TRUE(LoadServerConfig(false, false)) << "no settings.cfg: the defaults";
    ASSERT_TRUE(AddDomain("example.com"));
  }
  std::string Users() const { return folder_.Read("inst\\config\\example.com\\users.cfg"); }
  void WriteUsers(const std::vector<std::string>& plains) const {
    std::string file;
    for (const std::string& p : plains) file += Scrambled(p);
    folder_.Write("inst\\config\\example.com\\users.cfg", file);
  }
  TempFolder folder_;
};

TEST_F(AccountStore, SaveUserAppendsReplacesAndRefuses) {
  const std::string first = PlainUser("alice;al");
  ASSERT_TRUE(SaveUser(0, FromPlain(first), -1, false)) << "a new file with one record";
  ASSERT_EQ(Users(), Scrambled(first)) << "the whole record scrambled, every byte kept";

  const std::string second = PlainUser("bob", 0, 0x21);
  ASSERT_TRUE(SaveUser(0, FromPlain(second), 1, false)) << "index = number of records appends";
  ASSERT_EQ(Users(), Scrambled(first) + Scrambled(second));

  const std::string changed = PlainUser("alice;al;ali", 0, 0x33);
  ASSERT_TRUE(SaveUser(0, FromPlain(changed), 0, false));
  EXPECT_EQ(Users(), Scrambled(changed) + Scrambled(second)) << "replaced in place, the other kept";

  EXPECT_FALSE(SaveUser(0, FromPlain(PlainUser("carl")), 3, false)) << "a gap would be made";
  EXPECT_FALSE(SaveUser(0, FromPlain(PlainUser("carl")), -2, false));
  EXPECT_FALSE(SaveUser(0, FromPlain(PlainUser("  ")), -1, false)) << "no alias: never written";
  EXPECT_FALSE(SaveUser(5, FromPlain(PlainUser("carl")), -1, false)) << "no such domain";
  EXPECT_EQ(Users(), Scrambled(changed) + Scrambled(second)) << "refused saves leave the file as it was";
}

TEST_F(AccountStore, AccountWithoutAliasNeverCreatesTheFile) {
  EXPECT_FALSE(SaveUser(0, FromPlain(PlainUser("")), -1, false));
  EXPECT_FALSE(folder_.Exists("inst\\config\\example.com\\users.cfg"));
}

TEST_F(AccountStore, MailboxMarkerFilesFollowASavedUser) {
  const std::string mail = "inst\\mail\\";
  folder_.Write(mail + "example.com\\al\\respond.dat", "auto reply");
  folder_.Write(mail + "example.com\\keep\\respond.dat", "auto reply");
  folder_.Write("inst\\respond.dat", "outside the mail directory");

  std::string plain = PlainUser("al");
  PutStr(plain, 1028, "example.com\\al\\");
  PutLe(plain, 662, 2, 1);
  ASSERT_TRUE(SaveUser(0, FromPlain(plain), -1, false));
  EXPECT_FALSE(folder_.Exists(mail + "example.com\\al\\respond.dat")) << "respond.dat goes";
  EXPECT_TRUE(folder_.Exists(mail + "example.com\\al\\active.dat")) << "active.dat asked for";
  EXPECT_EQ(folder_.Read(mail + "example.com\\al\\active.dat"), "");

  plain = PlainUser("keep");
  PutStr(plain, 1028, "example.com\\keep\\");
  plain[1293] = 0x02;
  ASSERT_TRUE(SaveUser(0, FromPlain(plain), -1, false));
  EXPECT_TRUE(folder_.Exists(mail + "example.com\\keep\\respond.dat")) << "kept by the record's flag";
  EXPECT_FALSE(folder_.Exists(mail + "example.com\\keep\\active.dat")) << "not asked for";

  plain = PlainUser("list", 1);
  PutStr(plain, 1028, "example.com\\keep\\");
  ASSERT_TRUE(SaveUser(0, FromPlain(plain), -1, false));
  EXPECT_TRUE(folder_.Exists(mail + "example.com\\keep\\respond.dat")) << "not a user account";

  plain = PlainUser("escape");
  PutStr(plain, 1028, "..\\");
  PutLe(plain, 662, 2, 1);
  ASSERT_TRUE(SaveUser(0, FromPlain(plain), -1, false));
  EXPECT_TRUE(folder_.Exists("inst\\respond.dat")) << "a mailbox outside the mail directory is not touched";
  EXPECT_FALSE(folder_.Exists("inst\\active.dat"));
}

TEST_F(AccountStore, FindUserIndexMatchesAliasesAndGroups) {
  EXPECT_EQ(FindUserIndex(0, "bob"), -1) << "no users.cfg";
  WriteUsers({PlainUser("bob"), PlainUser("postmaster;admin"), PlainUser("info;[Sales]"), PlainUser("admin")});
  folder_.Write("inst\\config\\groups.dat", "sales=ann;joe\r\n");
  EXPECT_EQ(FindUserIndex(0, "Admin"), 1) << "the first record that answers";
  EXPECT_EQ(FindUserIndex(0, " BOB "), 0);
  EXPECT_EQ(FindUserIndex(0, "Joe"), 2) << "member of a referenced group";
  EXPECT_EQ(FindUserIndex(0, "nobody"), -1);
  EXPECT_EQ(FindUserIndex(0, ""), -1);
  EXPECT_EQ(FindUserIndex(1, "bob"), -1) << "no such domain";
}

TEST_F(AccountStore, EnumerationWalksEveryRecordInOrder) {
  WriteUsers({PlainUser("a"), PlainUser("b", 1), PlainUser("c")});
  folder_.Write("inst\\config\\example.com\\users.cfg",
                folder_.Read("inst\\config\\example.com\\users.cfg") + "partial");  // a torn last record

  UserEnumerator walk;
  ASSERT_TRUE(OpenUserEnumeration("example.com", walk, "", 0, 0));
  EXPECT_EQ(walk.count, 3);
  std::vector<std::string> seen;
  while (!NextUser(walk)) seen.push_back(std::to_string(walk.index) + walk.record.Aliases());
  EXPECT_EQ(seen, (std::vector<std::string>{"0a", "1b", "2c"}));
  EXPECT_TRUE(NextUser(walk)) << "stays at the end";
  CloseUserEnumeration(walk);
  EXPECT_FALSE(walk.open);
  EXPECT_TRUE(NextUser(walk)) << "a closed walk is at its end";

  ASSERT_TRUE(OpenUserEnumeration("example.com", walk, "", 0, 2));
  ASSERT_FALSE(NextUser(walk));
  EXPECT_EQ(walk.index, 2);
  EXPECT_EQ(walk.record.Aliases(), "c") << "two records passed over";
  EXPECT_TRUE(NextUser(walk));
  CloseUserEnumeration(walk);

  ASSERT_TRUE(OpenUserEnumeration("example.com", walk, "", 0, 3));
  ASSERT_FALSE(NextUser(walk));
  EXPECT_EQ(walk.record.Aliases(), "a") << "a skip count not below the count passes over nothing";
  CloseUserEnumeration(walk);
}

TEST_F(AccountStore, EnumerationFilterAndMissingFile) {
  UserEnumerator walk;
  EXPECT_FALSE(OpenUserEnumeration("nowhere.example", walk, "", 0, 0));
  EXPECT_TRUE(NextUser(walk)) << "a walk that failed to open answers the end at once";
  EXPECT_FALSE(OpenUserEnumeration("..", walk, "", 0, 0));

  WriteUsers({PlainUser("a"), PlainUser("bb"), PlainUser("c")});
  SetUserFilter([](const UserRecord& r, const std::string& filter) { return r.Aliases().size() == filter.size(); });
  ASSERT_TRUE(OpenUserEnumeration("example.com", walk, "xx", 0, 0));
  ASSERT_FALSE(NextUser(walk));
  EXPECT_EQ(walk.record.Aliases(), "bb");
  EXPECT_EQ(walk.index, 1);
  EXPECT_TRUE(NextUser(walk));
  CloseUserEnumeration(walk);
  SetUserFilter(nullptr);
}

TEST_F(AccountStore, SaveDomainRecordWritesTheScrambledRecord) {
  std::string plain(kDomainRecordSize, '\0');
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = char(i * 3);
  PutStr(plain, 128, "postmaster;admin");
  DomainRecord record;
  std::copy(plain.begin(), plain.end(), record.Bytes().begin());
  ASSERT_TRUE(SaveDomainRecord(record, 0));
  EXPECT_EQ(folder_.Read("inst\\config\\example.com\\domain.cfg"), Scrambled(plain));
  EXPECT_EQ(record.String(domain_field::kRoleAliases), "postmaster;admin") << "the record in memory is plain";
  EXPECT_FALSE(SaveDomainRecord(record, 1)) << "no such domain";
}

}  // namespace
}  // namespace serverconf
