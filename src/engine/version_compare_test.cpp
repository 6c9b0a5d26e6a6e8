#include "engine/version_compare.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

struct VersionCase {
  const char* a;
  const char* b;
  bool at_least;
};

// Every gate of the setup (upgrade steps, new-version question, start-up's
// 8.2.7 and 4.2.2 checks) depends on these orderings.
TEST(VersionAtLeastTest, OrdersVersionsNumericallyFieldByField) {
  const VersionCase cases[] = {
      {"8.2.10", "8.2.7", true},   // numeric, not textual
      {"8.2.6", "8.2.7", false},
      {"8.2.7", "8.2.7", true},    // equal counts as at least
      {"8.2.7-1", "8.2.7", true},  // build suffix cut at '-'
      {"8.2.7", "8.2.7-1", true},
      {"8.2.6-9", "8.2.7", false},
      {"8.3", "8.3.0", true},      // missing patch is 0
      {"8.3.0", "8.3", true},
      {"8.3", "8.2.7", true},
      {"8.2", "8.2.7", false},
      {"9", "8.99.99", true},
      {"8.10.0", "8.9.0", true},   // minor compared before patch
      {"3.9.1", "30.1.0", false},
      {"8.3.8", "8.3.9", false},
      {"8.3.9", "8.3.8", true},
      {"8.3.8.5", "8.3.8.9", true},  // a fourth field is ignored
      {"4.2.1", "4.2.2", false},
  };
  for (const VersionCase& c : cases) {
    EXPECT_EQ(VersionAtLeast(c.a, c.b), c.at_least) << "VersionAtLeast(\"" << c.a << "\", \"" << c.b << "\")";
  }
}

TEST(VersionAtLeastTest, EmptyOrMissingFieldsCountAsZero) {
  EXPECT_FALSE(VersionAtLeast("", "0.0.1"));
  EXPECT_FALSE(VersionAtLeast("", "4.2.2"));
  EXPECT_TRUE(VersionAtLeast("", ""));
  EXPECT_TRUE(VersionAtLeast("", "0.0.0"));
  EXPECT_TRUE(VersionAtLeast("8..", "8.0.0"));
  EXPECT_TRUE(VersionAtLeast("8.0.0", "8.."));
  EXPECT_TRUE(VersionAtLeast("0.0.1", ""));
}

TEST(VersionAtLeastTest, FieldsAreUnsigned16Bit) {
  // 65536 wraps to 0 and 65537 to 1, as in the 16-bit store of each field.
  EXPECT_FALSE(VersionAtLeast("65536", "1"));
  EXPECT_TRUE(VersionAtLeast("65537", "1"));
  EXPECT_TRUE(VersionAtLeast("65535", "65534"));
}

TEST(VersionAtLeastTest, OnlyTheFirst255CharactersCount) {
  // The major field's digit "9" lies just beyond the 255 characters read.
  EXPECT_FALSE(VersionAtLeast(std::string(255, '0') + "9", "1"));
  EXPECT_TRUE(VersionAtLeast(std::string(254, '0') + "9", "9"));
}

}  // namespace
}  // namespace engine
