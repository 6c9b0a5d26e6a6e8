#include "platform/product_keys.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace platform {
namespace {

// The paths the registry API gets are the area (without its leading
// backslash) and the section joined by one backslash, with nothing after.
TEST(ProductKeysTest, PathsJoinAreaAndSection) {
  EXPECT_STREQ(kProductKey, "Software\\Cordane\\Tarno Mail Server");
  EXPECT_STREQ(kWebMailKey, "Software\\Cordane\\Cordane Web Mail");
  EXPECT_STREQ(kUninstallEntryKey, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarno");
  EXPECT_EQ(std::strlen(kProductKey) + 1, kProductKeyPath.size()) << kProductKey;
  EXPECT_EQ(std::strlen(kWebMailKey) + 1, kWebMailKeyPath.size()) << kWebMailKey;
  EXPECT_EQ(std::strlen(kUninstallEntryKey) + 1, kUninstallEntryKeyPath.size()) << kUninstallEntryKey;
}

TEST(ProductKeysTest, RegistryKeyPathOfShortParts) {
  constexpr auto path = RegistryKeyPath("\\A", "b");
  EXPECT_EQ(std::string(path.data()), "A\\b");
  EXPECT_EQ(path.size(), 4u);
}

}  // namespace
}  // namespace platform
