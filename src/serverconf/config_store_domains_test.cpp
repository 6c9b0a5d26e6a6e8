// The domain table inside the configuration store: loading from domains.cfg
// or from the table behind an older settings record, saving, lookups and the
// per-domain binding files.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "serverconf/config_scramble.h"
#include "serverconf/config_store.h"
#include "support/config_store_test_support.h"

namespace serverconf {
namespace {

namespace fs = std::filesystem;
namespace f = settings_field;

using namespace serverconf::testing;

std::string WideEntry(const std::string& name, DomainAddress address = kNoDomainAddress) {
  std::string entry(kDomainEntrySize, '\0');
  entry[0] = char(name.size());
  entry.replace(1, name.size(), name);
  for (size_t i = 0; i < 4; ++i) entry[kDomainAddressOffset + i] = char(address[i]);
  return entry;
}

class ConfigStoreDomains : public ::testing::Test {
 protected:
  void SetUp() override { ResolveServerPaths(folder_.Dir() + "inst", "C:\\unused\\"); }
  // A plain settings record with the table marked wide and `count` domains.
  static std::string Record(uint32_t count, size_t size = kServerSettingsSize) {
    std::string plain(size, '\0');
    plain[f::kDomainTableWide] = 1;
    PutLe(plain, f::kDomainCount, 4, count);
    return plain;
  }
  TempFolder folder_;
};

TEST_F(ConfigStoreDomains, OldSettingsTailSurvivesSave) {
  // An older settings.cfg: a 20,344-byte record with the table right behind
  // it, the whole file scrambled as one block (the table from key position 8).
  std::string entry0 = WideEntry("Old.Example", {10, 0, 0, 5});
  for (size_t i = 40; i < 60; ++i) entry0[i] = char(0xC0 + i);  // bytes the store does not interpret
  std::string plain = Record(2, kSettingsTailOffset) + entry0 + WideEntry("second.example");
  folder_.Write("inst\\config\\settings.cfg", Scrambled(plain));
  ASSERT_TRUE(LoadServerConfig(false, false));
  ASSERT_EQ(Domains().Count(), 2u);
  EXPECT_EQ(Domains().Name(0), "old.example");
  EXPECT_EQ(Domains().Name(1), "second.example");
  EXPECT_EQ(ReadDomainBinding(0), "10.0.0.5");

  ASSERT_TRUE(SaveServerConfig());
  EXPECT_EQ(folder_.Read("inst\\config\\settings.cfg").size(), kServerSettingsSize);
  const std::string table = folder_.Read("inst\\config\\domains.cfg");
  ASSERT_EQ(table.size(), 2 * kDomainEntrySize);
  std::string expected0 = entry0;
  expected0.replace(1, 11, "old.example");
  EXPECT_EQ(table.substr(0, kDomainEntrySize), expected0);
  EXPECT_EQ(table.substr(kDomainEntrySize), WideEntry("second.example"));

  // Loaded again, the table now comes from domains.cfg.
  ASSERT_TRUE(LoadServerConfig(false, false));
  ASSERT_EQ(Domains().Count(), 2u);
  EXPECT_EQ(Domains().Name(1), "second.example");
  EXPECT_EQ(Settings().DWord(f::kDomainCount), 2u);
}

TEST_F(ConfigStoreDomains, CountZeroInDomainsFileAndRoundTrip) {
  folder_.Write("inst\\config\\settings.cfg", Scrambled(Record(0)));
  std::string table = WideEntry("a.com") + WideEntry("b.com", kDomainAddressInFile) + WideEntry("c.com");
  table[50] = 'k';  // carried through
  folder_.Write("inst\\config\\domains.cfg", table);
  ASSERT_TRUE(LoadServerConfig(false, false));
  ASSERT_EQ(Domains().Count(), 3u);
  ASSERT_TRUE(SaveServerConfig());
  EXPECT_EQ(folder_.Read("inst\\config\\domains.cfg"), table);
  EXPECT_EQ(Le(Scrambled(folder_.Read("inst\\config\\settings.cfg")), f::kDomainCount, 4), 3u);
}

TEST_F(ConfigStoreDomains, DomainsFileWithoutSettingsIsTakenAsCurrentForm) {
  folder_.Write("inst\\config\\domains.cfg", WideEntry("Alone.example") + WideEntry("two.example"));
  EXPECT_TRUE(LoadServerConfig(false, false));
  ASSERT_EQ(Domains().Count(), 2u);
  EXPECT_EQ(Domains().Name(0), "alone.example");
  EXPECT_EQ(Domains().Name(1), "two.example");
}

TEST_F(ConfigStoreDomains, NarrowTableIsWidenedAndMarked) {
  std::string plain = Record(3);
  plain[f::kDomainTableWide] = 0;
  folder_.Write("inst\\config\\settings.cfg", Scrambled(plain));
  std::string narrow;
  for (const char* name : {"one.com", "Two.com", "three.com"}) {
    std::string e(kNarrowDomainEntrySize, '\0');
    e[0] = char(std::strlen(name));
    e.replace(1, std::strlen(name), name);
    narrow += e;
  }
  folder_.Write("inst\\config\\domains.cfg", narrow);
  ASSERT_TRUE(LoadServerConfig(false, false));
  ASSERT_TRUE(SaveServerConfig());
  EXPECT_EQ(folder_.Read("inst\\config\\domains.cfg"), WideEntry("one.com") + WideEntry("two.com") + WideEntry("three.com"));
  EXPECT_EQ(uint8_t(Scrambled(folder_.Read("inst\\config\\settings.cfg"))[f::kDomainTableWide]), 1);
}

TEST_F(ConfigStoreDomains, AddFindAndSaveWithoutAnyFile) {
  ASSERT_TRUE(LoadServerConfig(false, false));
  EXPECT_EQ(Domains().Count(), 0u);
  ASSERT_TRUE(AddDomain("Primary.Example"));
  ASSERT_TRUE(AddDomain("other.example"));
  EXPECT_EQ(FindDomain("Admin@PRIMARY.example"), std::optional<size_t>(0));
  EXPECT_EQ(FindDomain("nobody@else.example"), std::nullopt);
  EXPECT_EQ(FindDomain("x@[127.0.0.1]"), std::optional<size_t>(0));
  folder_.Write("inst\\config\\subdomains.dat", "*.other.example = other.example // sub\r\n");
  EXPECT_EQ(FindDomain("mail.Other.Example"), std::optional<size_t>(1));
  EXPECT_TRUE(RegisterDomain("primary.example"));
  ASSERT_TRUE(SaveServerConfig());
  EXPECT_EQ(folder_.Read("inst\\config\\domains.cfg"), WideEntry("primary.example") + WideEntry("other.example"));
}

TEST_F(ConfigStoreDomains, BindingFilesAndMakePrimary) {
  ASSERT_TRUE(LoadServerConfig(false, false));
  ASSERT_TRUE(AddDomain("first.example"));
  ASSERT_TRUE(AddDomain("second.example"));
  folder_.Write("inst\\config\\bind.dat", "Outgoing_Bind=10.9.9.9\r\n");

  ASSERT_TRUE(WriteDomainBinding(1, "  10.0.0.1;10.0.0.2 "));
  EXPECT_EQ(folder_.Read("inst\\config\\second.example\\bind.dat"), "10.0.0.1;10.0.0.2\r\n");
  EXPECT_EQ(Domains().Address(1), kDomainAddressInFile);
  EXPECT_EQ(ReadDomainBinding(1), "10.0.0.1;10.0.0.2");
  EXPECT_EQ(FindDomain("[10.0.0.2]"), std::optional<size_t>(1));

  ASSERT_TRUE(MakeDomainPrimary(1));
  EXPECT_EQ(Domains().Name(0), "second.example");
  EXPECT_EQ(Domains().Name(1), "first.example");
  EXPECT_EQ(ReadDomainBinding(0), "10.0.0.1;10.0.0.2");
  EXPECT_EQ(ReadDomainBinding(1), "");
  EXPECT_FALSE(MakeDomainPrimary(2));

  ASSERT_TRUE(WriteDomainBinding(0, ""));
  EXPECT_FALSE(folder_.Exists("inst\\config\\second.example\\bind.dat"));
  EXPECT_EQ(Domains().Address(0), kNoDomainAddress);
  EXPECT_EQ(ReadDomainBinding(0), "");
  EXPECT_EQ(folder_.Read("inst\\config\\bind.dat"), "Outgoing_Bind=10.9.9.9\r\n") << "server-wide file untouched";
  EXPECT_FALSE(WriteDomainBinding(5, "1.2.3.4"));
}

TEST_F(ConfigStoreDomains, EmptyNameNeverWritesTheServerWideBindFile) {
  std::string plain = Record(2);
  folder_.Write("inst\\config\\settings.cfg", Scrambled(plain));
  folder_.Write("inst\\config\\domains.cfg", WideEntry("a.example") + WideEntry(""));
  folder_.Write("inst\\config\\bind.dat", "IPv6_Bind=::1\r\n");
  ASSERT_TRUE(LoadServerConfig(false, false));
  ASSERT_EQ(Domains().Count(), 2u);
  EXPECT_FALSE(WriteDomainBinding(1, "10.0.0.1"));
  EXPECT_EQ(folder_.Read("inst\\config\\bind.dat"), "IPv6_Bind=::1\r\n");
}

TEST_F(ConfigStoreDomains, UnreadableDomainsFileIsNeverReplaced) {
  folder_.Write("inst\\config\\settings.cfg", Scrambled(Record(1)));
  folder_.Write("inst\\config\\domains.cfg", WideEntry("locked.example"));
  const std::string path = folder_.Dir() + "inst\\config\\domains.cfg";
  HANDLE lock = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(LoadServerConfig(false, false));
  EXPECT_EQ(Domains().Count(), 0u);
  ::CloseHandle(lock);
  EXPECT_TRUE(SaveServerConfig());
  EXPECT_EQ(folder_.Read("inst\\config\\domains.cfg"), WideEntry("locked.example"));
}

}  // namespace
}  // namespace serverconf
