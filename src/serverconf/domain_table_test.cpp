#include "serverconf/domain_table.h"

#include <gtest/gtest.h>

#include <cstring>

#include "serverconf/config_scramble.h"

namespace serverconf {
namespace {

namespace f = settings_field;

// One 96-byte entry made by hand: length byte, characters, address at 92.
std::string WideEntry(const std::string& name, DomainAddress address = kNoDomainAddress) {
  std::string entry(kDomainEntrySize, '\0');
  entry[0] = static_cast<char>(name.size());
  entry.replace(1, name.size(), name);
  for (size_t i = 0; i < 4; ++i) entry[kDomainAddressOffset + i] = static_cast<char>(address[i]);
  return entry;
}

std::string NarrowEntry(const std::string& name) {
  std::string entry(kNarrowDomainEntrySize, '\0');
  entry[0] = static_cast<char>(name.size());
  entry.replace(1, name.size(), name);
  return entry;
}

ServerSettings WideSettings(uint32_t count) {
  ServerSettings settings;
  settings.SetByte(f::kDomainTableWide, 1);
  settings.SetDWord(f::kDomainCount, count);
  return settings;
}

std::vector<std::string> Names(const DomainTable& table) {
  std::vector<std::string> names;
  for (size_t i = 0; i < table.Count(); ++i) names.push_back(table.Name(i));
  return names;
}

TEST(DomainTableLoad, ReadsDomainsFileEntriesAndLowerCasesNames) {
  ServerSettings settings = WideSettings(2);
  const std::string file = WideEntry("Example.COM", {10, 0, 0, 7}) + WideEntry("second.org", kDomainAddressInFile);
  const DomainTable table = LoadDomainTable(settings, file, std::string());
  ASSERT_EQ(table.Count(), 2u);
  EXPECT_EQ(table.Capacity(), 2u);
  EXPECT_EQ(Names(table), (std::vector<std::string>{"example.com", "second.org"}));
  EXPECT_EQ(DomainAddressText(table.Address(0)), "10.0.0.7");
  EXPECT_EQ(table.Address(1), kDomainAddressInFile);
  EXPECT_EQ(settings.DWord(f::kDomainCount), 2u);
  EXPECT_EQ(settings.Byte(f::kDomainTableWide), 1u);
}

TEST(DomainTableLoad, CountZeroInDomainsFileTakesFileSize) {
  ServerSettings settings = WideSettings(0);
  const std::string file = WideEntry("a.com") + WideEntry("b.com") + WideEntry("c.com") + std::string(50, 'x');
  const DomainTable table = LoadDomainTable(settings, file, std::string());
  EXPECT_EQ(Names(table), (std::vector<std::string>{"a.com", "b.com", "c.com"}));
  EXPECT_EQ(settings.DWord(f::kDomainCount), 3u);
}

TEST(DomainTableLoad, CountBeyondFileLeavesZeroEntriesAndShortFileIsZeroFilled) {
  ServerSettings settings = WideSettings(3);
  const std::string file = WideEntry("a.com") + WideEntry("b.com").substr(0, 4);
  const DomainTable table = LoadDomainTable(settings, file, std::string());
  ASSERT_EQ(table.Count(), 3u);
  EXPECT_EQ(table.Name(0), "a.com");
  EXPECT_EQ(table.Name(1), std::string("b.c\0\0", 5));  // 4 bytes read: length 5, "b.c", then zeros
  EXPECT_EQ(table.Name(2), "");
}

TEST(DomainTableLoad, SettingsTailIsUnscrambledFromKeyPosition8) {
  ServerSettings settings = WideSettings(2);
  // A settings file of an older version: the record part, then the table,
  // the whole file scrambled from key position 0 as one block.
  std::string file(kSettingsTailOffset, 'r');
  file += WideEntry("Tail.example", {192, 168, 1, 2}) + WideEntry("other.example");
  ConfigScramble(reinterpret_cast<uint8_t*>(file.data()), file.size(), 0);
  // The tail starts at key position 8: unscrambling it from 0 would give other bytes.
  ASSERT_EQ(kSettingsTailOffset % 16, 8u);
  ASSERT_NE(kConfigScrambleKey[0], kConfigScrambleKey[8]);

  const DomainTable table = LoadDomainTable(settings, std::nullopt, file);
  EXPECT_EQ(Names(table), (std::vector<std::string>{"tail.example", "other.example"}));
  EXPECT_EQ(DomainAddressText(table.Address(0)), "192.168.1.2");
}

TEST(DomainTableLoad, NoSourceAndCountZeroGiveEmptyTable) {
  ServerSettings settings = WideSettings(0);
  EXPECT_EQ(LoadDomainTable(settings, std::nullopt, std::string(100, 'x')).Count(), 0u);
  EXPECT_EQ(LoadDomainTable(settings, std::string(), std::string()).Count(), 0u);
}

TEST(DomainTableLoad, NarrowTableIsWidenedTo96Bytes) {
  ServerSettings settings;  // byte 7001 is 0: 32-byte entries
  settings.SetDWord(f::kDomainCount, 3);
  const std::string file = NarrowEntry("One.com") + NarrowEntry("two.net") + NarrowEntry(std::string(31, 'z'));
  const DomainTable table = LoadDomainTable(settings, file, std::string());
  ASSERT_EQ(table.Count(), 3u);
  EXPECT_EQ(Names(table), (std::vector<std::string>{"one.com", "two.net", std::string(31, 'z')}));
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(table.Address(i), kNoDomainAddress) << i;
  EXPECT_EQ(table.FileImage().size(), 3 * kDomainEntrySize);
  EXPECT_EQ(settings.Byte(f::kDomainTableWide), 1u);
}

TEST(DomainTableLoad, NarrowTableWithCountZeroCountsIn32ByteEntries) {
  ServerSettings settings;
  const std::string file = NarrowEntry("a.com") + NarrowEntry("b.com") + NarrowEntry("c.com") + NarrowEntry("d.com");
  const DomainTable table = LoadDomainTable(settings, file, std::string());
  EXPECT_EQ(Names(table), (std::vector<std::string>{"a.com", "b.com", "c.com", "d.com"}));
}

TEST(DomainTableLoad, EarlyListOf150GivesTheFirst100Names) {
  ServerSettings settings;
  settings.SetDWord(f::kDomainCount, 150);
  for (size_t i = 0; i < kEarlyDomainSlots; ++i)
    settings.SetString({f::kEarlyDomainList + i * kEarlyDomainSlot, 127}, "Early" + std::to_string(i) + ".COM");
  const DomainTable table = LoadDomainTable(settings, std::nullopt, std::string(100, '\0'));
  ASSERT_EQ(table.Count(), 100u);
  EXPECT_EQ(table.Name(0), "early0.com");
  EXPECT_EQ(table.Name(1), "early1.com");  // not destroyed by the widening
  EXPECT_EQ(table.Name(99), "early99.com");
  EXPECT_EQ(settings.DWord(f::kDomainCount), 100u);
  EXPECT_EQ(settings.Byte(f::kDomainTableWide), 1u);
}

TEST(DomainTableLoad, EarlyListWithEmptyFirstSlotGivesNoDomains) {
  ServerSettings settings = WideSettings(5);
  settings.SetString({f::kEarlyDomainList + kEarlyDomainSlot, 127}, "second.slot");
  const DomainTable table = LoadDomainTable(settings, std::string(5 * kDomainEntrySize, '\0'), std::string());
  EXPECT_EQ(table.Count(), 0u);
  EXPECT_EQ(settings.DWord(f::kDomainCount), 0u);
}

TEST(DomainTableLoad, DamagedCountIsBoundedBySource) {
  ServerSettings settings = WideSettings(0xFFFFFFF0u);
  const DomainTable table = LoadDomainTable(settings, WideEntry("a.com"), std::string());
  EXPECT_LE(table.Count(), kEarlyDomainSlots);
  EXPECT_EQ(table.Name(0), "a.com");
}

TEST(DomainTableLoad, UntouchedBytesAreCarriedThrough) {
  ServerSettings settings = WideSettings(1);
  std::string entry = WideEntry("keep.me", {1, 2, 3, 4});
  for (size_t i = 20; i < kDomainAddressOffset; ++i) entry[i] = static_cast<char>(0xA0 + i % 16);
  const DomainTable table = LoadDomainTable(settings, entry, std::string());
  const std::vector<uint8_t> image = table.FileImage();
  ASSERT_EQ(image.size(), entry.size());
  EXPECT_EQ(std::memcmp(image.data(), entry.data(), entry.size()), 0);
}

TEST(DomainTableLoad, OverlongNameIsCutBeforeTheAddress) {
  ServerSettings settings = WideSettings(1);
  std::string entry = WideEntry("", {9, 9, 9, 9});
  entry[0] = static_cast<char>(95);
  for (size_t i = 1; i < kDomainAddressOffset; ++i) entry[i] = 'N';
  const DomainTable table = LoadDomainTable(settings, entry, std::string());
  EXPECT_EQ(table.Name(0), std::string(kDomainNameMaxChars, 'n'));
  EXPECT_EQ(DomainAddressText(table.Address(0)), "9.9.9.9");
}

TEST(DomainTableEdit, AddGrowsAndLowerCases) {
  DomainTable table;
  table.Add("First.COM", 1);
  EXPECT_EQ(table.Capacity(), 1u);
  table.Add("", 10);  // grows only
  EXPECT_EQ(table.Count(), 1u);
  EXPECT_EQ(table.Capacity(), 11u);
  table.Add(std::string(120, 'Q'), 1);
  ASSERT_EQ(table.Count(), 2u);
  EXPECT_EQ(table.Capacity(), 11u);
  EXPECT_EQ(table.Name(0), "first.com");
  EXPECT_EQ(table.Name(1), std::string(kDomainNameMaxChars, 'q'));
  EXPECT_EQ(table.Address(1), kNoDomainAddress);
  EXPECT_EQ(table.FileImage().size(), 2 * kDomainEntrySize);
  EXPECT_EQ(table.Block().size(), 11 * kDomainEntrySize);
  EXPECT_THROW(table.Name(2), std::out_of_range);
}

TEST(DomainTableEdit, SwapNamesKeepsAddresses) {
  DomainTable table;
  table.Add("a.com");
  table.Add("b.com");
  table.SetAddress(1, {5, 6, 7, 8});
  table.SwapNames(0, 1);
  EXPECT_EQ(Names(table), (std::vector<std::string>{"b.com", "a.com"}));
  EXPECT_EQ(DomainAddressText(table.Address(1)), "5.6.7.8");
}

class DomainFind : public ::testing::Test {
 protected:
  void SetUp() override {
    table_.Add("example.com");
    table_.Add("second.org");
    table_.Add("m\xC3\xBC" "nchen.de");
    table_.Add("bound.net");
    table_.SetAddress(3, {10, 1, 1, 1});
    options_.own_addresses = {"192.168.0.1", "127.0.0.1"};
  }
  DomainTable table_;
  DomainLookupOptions options_;
};

TEST_F(DomainFind, MixedCaseAndUserAtDomain) {
  EXPECT_EQ(table_.Find("Second.ORG", options_), std::optional<size_t>(1));
  EXPECT_EQ(table_.Find("John.Doe@Example.Com", options_), std::optional<size_t>(0));
  EXPECT_EQ(table_.Find("a@b@second.org", options_), std::nullopt);  // after the first at sign: "b@second.org"
  EXPECT_EQ(table_.Find("unknown.com", options_), std::nullopt);
  EXPECT_EQ(table_.Find("", options_), std::nullopt);
  EXPECT_EQ(table_.Find("example.co", options_), std::nullopt);
}

TEST_F(DomainFind, RemembersTheLastHitUntilTheTableChanges) {
  ASSERT_EQ(table_.Find("SECOND.org", options_), std::optional<size_t>(1));
  EXPECT_EQ(table_.Find("second.ORG", options_), std::optional<size_t>(1));
  table_.SwapNames(0, 1);
  EXPECT_EQ(table_.Find("second.org", options_), std::optional<size_t>(0));
}

TEST_F(DomainFind, IdnLabelIsDecoded) {
  EXPECT_EQ(table_.Find("xn--mnchen-3ya.de", options_), std::optional<size_t>(2));
  EXPECT_EQ(table_.Find("Info@XN--MNCHEN-3YA.DE", options_), std::optional<size_t>(2));
  options_.idn = false;
  EXPECT_EQ(table_.Find("postmaster@xn--mnchen-3ya.de", options_), std::nullopt);
}

TEST_F(DomainFind, BracketedAddressLiterals) {
  EXPECT_EQ(table_.Find("user@[192.168.0.1]", options_), std::optional<size_t>(0));
  EXPECT_EQ(table_.Find("[127.0.0.1]", options_), std::optional<size_t>(0));
  EXPECT_EQ(table_.Find("user@[10.1.1.1]", options_), std::optional<size_t>(3));  // the bound domain
  EXPECT_EQ(table_.Find("[10.9.9.9]", options_), std::nullopt);
  options_.binding_of = [](size_t i) { return i == 1 ? std::string("10.2.2.2; 10.3.3.3") : std::string(); };
  EXPECT_EQ(table_.Find("[10.3.3.3]", options_), std::optional<size_t>(1));
  options_.ip_literal = false;
  EXPECT_EQ(table_.Find("[192.168.0.1]", options_), std::nullopt);
}

TEST_F(DomainFind, SubdomainPatterns) {
  options_.subdomain_lines = {"# comment", "*.Example.COM = example.com", "mail?.second.org=second.org",
                              "*.dead = missing.domain", "*.dead = bound.net"};
  EXPECT_EQ(table_.Find("Sales.Example.com", options_), std::optional<size_t>(0));
  EXPECT_EQ(table_.Find("a.b.example.com", options_), std::optional<size_t>(0));
  EXPECT_EQ(table_.Find("mail1.second.org", options_), std::optional<size_t>(1));
  EXPECT_EQ(table_.Find("mail12.second.org", options_), std::nullopt);
  EXPECT_EQ(table_.Find("x@host.dead", options_), std::optional<size_t>(3));
}

TEST(DomainWildcard, Matches) {
  EXPECT_TRUE(WildcardMatch("*", ""));
  EXPECT_TRUE(WildcardMatch("a*b?d", "aXXbcd"));
  EXPECT_FALSE(WildcardMatch("a*b?d", "aXXbd"));
  EXPECT_TRUE(WildcardMatch("*.a.com", "x.y.a.com"));
  EXPECT_FALSE(WildcardMatch("*.a.com", "a.com"));
  EXPECT_TRUE(WildcardMatch("abc", "abc"));
  EXPECT_FALSE(WildcardMatch("abc", "abcd"));
}

TEST(DomainBinding, ComposesTableAddressAndFileLine) {
  EXPECT_EQ(ComposeDomainBinding(kNoDomainAddress, std::nullopt), "");
  EXPECT_EQ(ComposeDomainBinding(kDomainAddressInFile, std::nullopt), "");
  EXPECT_EQ(ComposeDomainBinding({1, 2, 3, 4}, std::nullopt), "1.2.3.4");
  EXPECT_EQ(ComposeDomainBinding(kDomainAddressInFile, std::string("  10.0.0.1;10.0.0.2 ")), "10.0.0.1;10.0.0.2");
  EXPECT_EQ(ComposeDomainBinding({1, 2, 3, 4}, std::string("10.0.0.1")), "10.0.0.1;1.2.3.4");
  EXPECT_EQ(ComposeDomainBinding(kNoDomainAddress, std::string(";10.0.0.1")), "10.0.0.1");
}

TEST(DomainBinding, ParsesAddresses) {
  EXPECT_EQ(ParseDomainAddress(" 10.0.0.255 "), std::optional<DomainAddress>(DomainAddress{10, 0, 0, 255}));
  EXPECT_EQ(ParseDomainAddress("10.0.0.256"), std::nullopt);
  EXPECT_EQ(ParseDomainAddress("10.0.0"), std::nullopt);
  EXPECT_EQ(ParseDomainAddress("10.0.0.1;10.0.0.2"), std::nullopt);
}

}  // namespace
}  // namespace serverconf
