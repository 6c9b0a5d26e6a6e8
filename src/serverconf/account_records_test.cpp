#include "serverconf/account_records.h"

#include <gtest/gtest.h>

#include <cstring>

namespace serverconf {
namespace {

TEST(AliasMatches, ComparesWholeWhenNeitherSideIsAList) {
  const std::vector<AccountGroup> none;
  EXPECT_TRUE(AliasMatches("Admin", "admin", none));
  EXPECT_TRUE(AliasMatches("  admin ", "ADMIN", none)) << "both sides trimmed";
  EXPECT_FALSE(AliasMatches("adm", "admin", none));
  EXPECT_FALSE(AliasMatches("", "", none)) << "empty sides never match";
  EXPECT_FALSE(AliasMatches("  ", "admin", none));
  EXPECT_FALSE(AliasMatches("admin", " ", none));
}

TEST(AliasMatches, ComparesItemsWhenEitherSideIsAList) {
  const std::vector<AccountGroup> none;
  EXPECT_TRUE(AliasMatches("Admin", "postmaster;admin", none));
  EXPECT_TRUE(AliasMatches("Admin", "postmaster; ADMIN ;", none)) << "items trimmed";
  EXPECT_TRUE(AliasMatches("nobody;Postmaster", "postmaster", none)) << "a list on the given side";
  EXPECT_FALSE(AliasMatches("post", "postmaster;admin", none)) << "whole items only";
  EXPECT_FALSE(AliasMatches(";", "postmaster;;admin", none)) << "empty items never match";
}

TEST(AliasMatches, GroupReferencesOfTheListMatchTheirMembers) {
  const std::vector<AccountGroup> groups =
      ParseGroups("# groups\r\nSales = Bob; ann\r\n=orphan\r\nno equals sign\r\n9lives=bob\r\n");
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].name, "Sales");
  EXPECT_EQ(groups[0].members, (std::vector<std::string>{"bob", "ann"}));
  EXPECT_TRUE(AliasMatches("BOB", "info;[sales]", groups));
  EXPECT_TRUE(AliasMatches("ann", "[Sales];info", groups));
  EXPECT_FALSE(AliasMatches("carl", "info;[sales]", groups));
  EXPECT_FALSE(AliasMatches("bob", "info;[9lives]", groups)) << "a group name begins with a letter";
  EXPECT_FALSE(AliasMatches("bob", "info;[unknown]", groups));
  EXPECT_FALSE(AliasMatches("bob", "[sales]", groups)) << "neither side a list: compared whole";
}

TEST(CleanFileName, RemovesByMode) {
  const std::string text = "a\"b*c/d:e<f>g?h|i\\j k";
  EXPECT_EQ(CleanFileName(text, 0), "abcdefghi\\j k");
  EXPECT_EQ(CleanFileName(text, 1), "abc/d:efghi\\j k");
  EXPECT_EQ(CleanFileName(text, 2), text);
  EXPECT_EQ(CleanFileName("example.com\\ad|min\\", 0), "example.com\\admin\\");
}

TEST(IsContainedMailbox, OnlyRelativePathsInsideTheMailDirectory) {
  EXPECT_TRUE(IsContainedMailbox("example.com\\admin\\"));
  EXPECT_TRUE(IsContainedMailbox("a/b"));
  EXPECT_TRUE(IsContainedMailbox("a..b\\"));
  EXPECT_FALSE(IsContainedMailbox(""));
  EXPECT_FALSE(IsContainedMailbox("\\windows\\"));
  EXPECT_FALSE(IsContainedMailbox("C:\\windows\\"));
  EXPECT_FALSE(IsContainedMailbox("c:x\\"));
  EXPECT_FALSE(IsContainedMailbox("example.com\\..\\..\\"));
  EXPECT_FALSE(IsContainedMailbox("example.com\\ .. \\x"));
  EXPECT_FALSE(IsContainedMailbox("..."));
  EXPECT_FALSE(IsContainedMailbox("./x"));
}

TEST(RecordDate, CountsDaysFromTheEndOf1899) {
  EXPECT_EQ(RecordDate(1899, 12, 30), 0.0);
  EXPECT_EQ(RecordDate(1900, 1, 1), 2.0);
  EXPECT_EQ(RecordDate(1900, 3, 1), 61.0) << "1900 is no leap year";
  EXPECT_EQ(RecordDate(2000, 1, 1), 36526.0);
  EXPECT_EQ(RecordDate(2024, 2, 29) + 1, RecordDate(2024, 3, 1));
  EXPECT_EQ(RecordDate(2026, 12, 8), 46364.0);
}

TEST(UserRecord, FieldsSitAtTheirOffsetsAndTheRestIsKept) {
  UserRecord record;
  for (size_t i = 0; i < kUserRecordSize; ++i) record.Bytes()[i] = uint8_t(i * 13 + 1);
  const auto before = record.Bytes();
  record.SetString(user_field::kAliases, " Admin ;postmaster");
  record.SetDouble(user_field::kValidUntil, 46394.0);
  EXPECT_EQ(record.FirstAlias(), "Admin");
  EXPECT_EQ(record.Bytes()[260], 18);
  EXPECT_EQ(std::memcmp(record.Bytes().data() + 261, " Admin ;postmaster", 18), 0);
  const uint8_t date[8] = {0, 0, 0, 0, 0x40, 0xA7, 0xE6, 0x40};  // 46394.0, little-endian IEEE 754
  EXPECT_EQ(std::memcmp(record.Bytes().data() + 648, date, 8), 0);
  for (size_t i = 0; i < kUserRecordSize; ++i) {
    if ((i >= 260 && i < 279) || (i >= 648 && i < 656)) continue;
    ASSERT_EQ(record.Bytes()[i], before[i]) << "byte " << i;
  }
  EXPECT_THROW(record.SetString({kUserRecordSize - 10, 20}, "x"), std::out_of_range);
}

}  // namespace
}  // namespace serverconf
