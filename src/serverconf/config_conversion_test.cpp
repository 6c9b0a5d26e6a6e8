// The conversion of the early registry keys against the real registry of
// the test prefix, and the wizard's choices written into a configuration
// folder of the test's own.
#include "serverconf/config_conversion.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "serverconf/config_store.h"
#include "support/config_store_test_support.h"
#include "support/test_registry.h"
#include "win32/scoped_handle.h"

namespace serverconf {
namespace {

namespace f = settings_field;
using namespace serverconf::testing;
using win32::test_registry::SavedKey;

constexpr char kFamilyKey[] = "Software\\Cordane";
constexpr char kEarlyMailKey[] = "Software\\Tarno";
constexpr char kEarlyWebMailKey[] = "Software\\CWEBMAIL";
constexpr char kMailKey[] = "Software\\Cordane\\Tarno Mail Server";
constexpr char kWebMailKey[] = "Software\\Cordane\\Cordane Web Mail";

struct Value {
  DWORD type;
  std::string bytes;
  bool operator==(const Value&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Value& v) {
  out << "{type " << v.type << ", " << v.bytes.size() << " bytes:";
  for (unsigned char c : v.bytes.substr(0, 24)) out << ' ' << int(c);
  return out << (v.bytes.size() > 24 ? " ...}" : "}");
}

Value Sz(const std::string& text) { return {REG_SZ, text + '\0'}; }
Value Binary(const std::string& bytes) { return {REG_BINARY, bytes}; }

// A byte pattern that differs for each `seed`.
std::string Pattern(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = char((i * 31 + seed * 7 + 1) & 0xFF);
  return bytes;
}

void Put(const char* key, const std::string& name, const Value& value) {
  LSTATUS rc = ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, name.c_str(), value.type, value.bytes.data(),
                                 static_cast<DWORD>(value.bytes.size()));
  ASSERT_EQ(rc, ERROR_SUCCESS) << "writing " << key << "\\" << name;
}

void MakeKey(const char* path) {
  win32::ScopedRegKey key;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.receive(),
                              nullptr),
            ERROR_SUCCESS)
      << path;
}

bool KeyExists(const char* path) {
  win32::ScopedRegKey key;
  return ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.receive()) == ERROR_SUCCESS;
}

// Every value of a key by name; empty when the key is missing.
std::map<std::string, Value> Values(const char* path) {
  std::map<std::string, Value> values;
  win32::ScopedRegKey key;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.receive()) != ERROR_SUCCESS) return values;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD name_size = sizeof name;
    std::string data(65536, '\0');
    DWORD data_size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    LONG rc = ::RegEnumValueA(key.get(), index, name, &name_size, nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &data_size);
    if (rc != ERROR_SUCCESS) break;
    data.resize(data_size);
    values[std::string(name, name_size)] = {type, data};
  }
  return values;
}

// The early keys and the family key are machine-wide; each test starts
// without them and the prefix gets back what it had.
class ConvertRegistryTest : public ::testing::Test {
 protected:
  SavedKey family_{HKEY_LOCAL_MACHINE, kFamilyKey};
  SavedKey early_mail_{HKEY_LOCAL_MACHINE, kEarlyMailKey};
  SavedKey early_web_mail_{HKEY_LOCAL_MACHINE, kEarlyWebMailKey};

  // An early mail server key with every value it may hold.
  void PutEarlyMailKey() {
    Put(kEarlyMailKey, "InstallDir", Sz("C:\\Tarno\\"));
    Put(kEarlyMailKey, "Version", Sz("3.9.1"));
    Put(kEarlyMailKey, "Name", Sz("Ann Admin"));
    Put(kEarlyMailKey, "Email", Sz("ann@example.com"));
    Put(kEarlyMailKey, "Country", Sz("Iceland"));
    Put(kEarlyMailKey, "Company", Sz("Example Ltd"));
    Put(kEarlyMailKey, "DNSQuery", Binary(Pattern(12, 1)));
    Put(kEarlyMailKey, "Settings", Binary(Pattern(300, 2)));
    Put(kEarlyMailKey, "SMTPTest", Binary(Pattern(5, 3)));
    Put(kEarlyMailKey, "TARNONotify", Binary(Pattern(40, 4)));
  }
  void PutEarlyWebMailKey() {
    Put(kEarlyWebMailKey, "InstallDir", Sz("C:\\WebMail\\"));
    Put(kEarlyWebMailKey, "Version", Sz("4.1.0"));
    Put(kEarlyWebMailKey, "Name", Sz("Bob"));
  }
};

TEST_F(ConvertRegistryTest, FamilyKeyPresentConvertsNothingWhateverTheFlag) {
  for (bool delete_old : {false, true}) {
    MakeKey(kFamilyKey);
    PutEarlyMailKey();
    PutEarlyWebMailKey();
    const auto early_mail = Values(kEarlyMailKey);
    const auto early_web_mail = Values(kEarlyWebMailKey);
    ConvertRegistry(delete_old);
    EXPECT_FALSE(KeyExists(kMailKey)) << "delete_old " << delete_old;
    EXPECT_FALSE(KeyExists(kWebMailKey)) << "delete_old " << delete_old;
    EXPECT_EQ(Values(kEarlyMailKey), early_mail) << "delete_old " << delete_old;
    EXPECT_EQ(Values(kEarlyWebMailKey), early_web_mail) << "delete_old " << delete_old;
  }
}

TEST_F(ConvertRegistryTest, EarlyMailServerKeyIsCopiedWithNotifyRenamed) {
  PutEarlyMailKey();
  ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kEarlyMailKey, "Company");
  // An empty binary value is not copied; one of exactly 4,096 bytes is.
  Put(kEarlyMailKey, "SMTPTest", Binary(""));
  Put(kEarlyMailKey, "Settings", Binary(Pattern(4096, 5)));
  // An expanding string is copied as it is stored, unexpanded.
  Put(kEarlyMailKey, "Name", {REG_EXPAND_SZ, std::string("%USERNAME%") + '\0'});
  // A value the conversion does not know stays behind.
  Put(kEarlyMailKey, "Other", Sz("left"));
  const auto early = Values(kEarlyMailKey);

  ConvertRegistry(false);

  const std::map<std::string, Value> expected = {
      {"InstallDir", Sz("C:\\Tarno\\")},
      {"Version", Sz("3.9.1")},
      {"Name", Sz("%USERNAME%")},
      {"Email", Sz("ann@example.com")},
      {"Country", Sz("Iceland")},
      {"Company", Sz("")},
      {"DNSQuery", Binary(Pattern(12, 1))},
      {"Settings", Binary(Pattern(4096, 5))},
      {"Notify", Binary(Pattern(40, 4))},
  };
  EXPECT_EQ(Values(kMailKey), expected);
  EXPECT_EQ(Values(kEarlyMailKey), early) << "the early key stays without the delete flag";
  EXPECT_FALSE(KeyExists(kWebMailKey)) << "no early web mail key, nothing to copy";
}

TEST_F(ConvertRegistryTest, EarlyWebMailKeyIsCopiedStringsOnly) {
  PutEarlyWebMailKey();
  Put(kEarlyWebMailKey, "Settings", Binary(Pattern(8, 6)));
  ConvertRegistry(false);
  const std::map<std::string, Value> expected = {
      {"InstallDir", Sz("C:\\WebMail\\")}, {"Version", Sz("4.1.0")}, {"Name", Sz("Bob")},
      {"Email", Sz("")},                    {"Country", Sz("")},       {"Company", Sz("")},
  };
  EXPECT_EQ(Values(kWebMailKey), expected);
  EXPECT_FALSE(KeyExists(kMailKey)) << "no early mail server key, nothing to copy";
  EXPECT_TRUE(KeyExists(kEarlyWebMailKey));
}

TEST_F(ConvertRegistryTest, DeleteFlagRemovesTheEarlyKeys) {
  PutEarlyMailKey();
  PutEarlyWebMailKey();
  MakeKey("Software\\Tarno\\Sub");
  ConvertRegistry(true);
  EXPECT_FALSE(KeyExists(kEarlyMailKey));
  EXPECT_FALSE(KeyExists(kEarlyWebMailKey));
  EXPECT_EQ(Values(kMailKey).at("Notify"), Binary(Pattern(40, 4)));
  EXPECT_EQ(Values(kWebMailKey).at("Version"), Sz("4.1.0"));
}

// Start-up converts with the flag off; the installation's later call with
// the flag on finds the family key and leaves the early keys.
TEST_F(ConvertRegistryTest, FlagOffThenOnLeavesTheEarlyKeys) {
  PutEarlyMailKey();
  PutEarlyWebMailKey();
  ConvertRegistry(false);
  const auto mail = Values(kMailKey);
  EXPECT_EQ(mail.size(), 10u) << "six strings and four binary values";
  Put(kEarlyMailKey, "Version", Sz("3.9.2"));
  ConvertRegistry(true);
  EXPECT_TRUE(KeyExists(kEarlyMailKey));
  EXPECT_TRUE(KeyExists(kEarlyWebMailKey));
  EXPECT_EQ(Values(kMailKey), mail) << "the second call copies nothing";
}

// A binary value too large or of another type, or a string value of
// another type, ends the conversion there: what was written stays, nothing
// after it is copied, no early key is deleted and the web mail key is not
// reached.
TEST_F(ConvertRegistryTest, UnreadableValueEndsTheConversionThere) {
  struct Case {
    const char* name;
    Value value;
    std::set<std::string> written;
  };
  const std::set<std::string> strings = {"InstallDir", "Version", "Name", "Email", "Country", "Company"};
  std::set<std::string> up_to_dns = strings;
  up_to_dns.insert("DNSQuery");
  std::set<std::string> up_to_settings = up_to_dns;
  up_to_settings.insert("Settings");
  const Case cases[] = {
      {"Settings", Binary(Pattern(4097, 7)), up_to_dns},
      {"Settings", {REG_DWORD, std::string(4, '\1')}, up_to_dns},
      {"SMTPTest", Sz("text"), up_to_settings},
      {"DNSQuery", {REG_NONE, "ab"}, strings},
      {"Version", {REG_DWORD, std::string(4, '\2')}, {"InstallDir"}},
  };
  for (const Case& c : cases) {
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kFamilyKey);
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kEarlyMailKey);
    PutEarlyMailKey();
    PutEarlyWebMailKey();
    Put(kEarlyMailKey, c.name, c.value);
    ConvertRegistry(true);
    std::set<std::string> written;
    for (const auto& [name, value] : Values(kMailKey)) written.insert(name);
    EXPECT_EQ(written, c.written) << c.name << " = " << c.value;
    if (written.count("DNSQuery")) {
      EXPECT_EQ(Values(kMailKey).at("DNSQuery"), Binary(Pattern(12, 1))) << c.name;
    }
    EXPECT_TRUE(KeyExists(kEarlyMailKey)) << c.name << " = " << c.value;
    EXPECT_TRUE(KeyExists(kEarlyWebMailKey)) << c.name << " = " << c.value;
    EXPECT_FALSE(KeyExists(kWebMailKey)) << c.name << " = " << c.value;
  }
}

// --- the wizard's choices in the configuration -------------------------

// A settings record of the test's own: every byte a pattern, with a known
// edition, console file and directories.
std::string PatternRecord() {
  std::mt19937 random(2342);
  std::string plain(kServerSettingsSize, '\0');
  for (char& c : plain) c = char(random());
  plain[255] = char(kEditionProfessional);
  PutStr(plain, 21428, "advanced.xml");
  PutStr(plain, 256, "D:\\old\\temp\\");
  PutStr(plain, 512, "D:\\old\\mail\\");
  PutStr(plain, 768, "D:\\old\\logs\\");
  PutLe(plain, 7020, 4, 0);  // no domains
  plain[7001] = 1;
  return plain;
}

class EditionChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override { ResolveServerPaths(folder_.Dir() + "inst", "C:\\unused\\"); }
  // The destination as the wizard gives it: without a trailing backslash.
  std::string Destination() const { return folder_.Dir() + "dest"; }
  std::string ReadSettings() const { return Unscrambled(folder_.Read("dest\\config\\settings.cfg")); }

  // Checks that `after` holds `before` in every byte that neither the load
  // nor the fields in `changed` (offset, width) may touch.
  void ExpectUntouched(const std::string& before, const std::string& after,
                       std::initializer_list<std::pair<size_t, size_t>> changed) {
    ASSERT_EQ(after.size(), before.size());
    std::set<size_t> skip = LoadTouchedBytes();
    for (auto [offset, width] : changed)
      for (size_t i = 0; i < width; ++i) skip.insert(offset + i);
    size_t compared = 0;
    for (size_t i = 0; i < before.size(); ++i) {
      if (skip.count(i)) continue;
      ++compared;
      if (before[i] != after[i]) {
        ADD_FAILURE() << "byte " << i << " was " << int(uint8_t(before[i])) << ", is " << int(uint8_t(after[i]));
        return;
      }
    }
    EXPECT_GT(compared, before.size() / 2);
  }

  TempFolder folder_;
};

TEST_F(EditionChoiceTest, NewInstallationStoresChoiceAndDirectories) {
  const std::string before = PatternRecord();
  folder_.Write("dest\\config\\settings.cfg", Scrambled(before));
  StoreEditionChoice(kEditionLite, InterfaceMode::kBasic, false, Destination());
  const std::string after = ReadSettings();
  ASSERT_EQ(after.size(), kServerSettingsSize);
  EXPECT_EQ(uint8_t(after[255]), kEditionLite);
  EXPECT_EQ(Str(after, 21428), "basic.xml");
  const std::string dest = Destination() + "\\";
  EXPECT_EQ(Str(after, 256), dest + "temp\\");
  EXPECT_EQ(Str(after, 512), dest + "mail\\");
  EXPECT_EQ(Str(after, 768), dest + "logs\\");
  EXPECT_EQ(Paths().config_dir, dest + "config\\");
  ExpectUntouched(before, after, {{255, 1}, {21428, 256}});
}

TEST_F(EditionChoiceTest, ExistingConfigurationKeepsItsDirectories) {
  const std::string before = PatternRecord();
  struct Case {
    std::optional<uint8_t> edition;
    InterfaceMode mode;
    uint8_t stored;
    const char* console;
  } cases[] = {
      {kEditionStandard, InterfaceMode::kAdvanced, kEditionStandard, "advanced.xml"},
      {kEditionProfessional, InterfaceMode::kBasic, kEditionProfessional, "basic.xml"},
      {kEditionLite, InterfaceMode::kAdvanced, kEditionLite, "advanced.xml"},
      {std::nullopt, InterfaceMode::kBasic, kEditionProfessional, "basic.xml"},
      {uint8_t(7), InterfaceMode::kBasic, kEditionProfessional, "basic.xml"},
  };
  for (const Case& c : cases) {
    folder_.Write("dest\\config\\settings.cfg", Scrambled(before));
    StoreEditionChoice(c.edition, c.mode, true, Destination() + "\\");
    const std::string after = ReadSettings();
    ASSERT_EQ(after.size(), kServerSettingsSize);
    const int chosen = c.edition ? int(*c.edition) : -1;
    EXPECT_EQ(int(uint8_t(after[255])), int(c.stored)) << "chosen " << chosen;
    EXPECT_EQ(Str(after, 21428), c.console) << "chosen " << chosen;
    EXPECT_EQ(Str(after, 256), "D:\\old\\temp\\") << "chosen " << chosen;
    EXPECT_EQ(Str(after, 512), "D:\\old\\mail\\") << "chosen " << chosen;
    EXPECT_EQ(Str(after, 768), "D:\\old\\logs\\") << "chosen " << chosen;
    ExpectUntouched(before, after, {{255, 1}, {21428, 256}});
  }
}

TEST_F(EditionChoiceTest, WithoutSettingsFileAFullRecordIsWritten) {
  StoreEditionChoice(kEditionStandard, InterfaceMode::kAdvanced, false, Destination());
  const std::string after = ReadSettings();
  ASSERT_EQ(after.size(), kServerSettingsSize);
  EXPECT_EQ(uint8_t(after[255]), kEditionStandard);
  EXPECT_EQ(Str(after, 21428), "advanced.xml");
  EXPECT_EQ(Str(after, 256), Destination() + "\\temp\\");
  EXPECT_EQ(Le(after, 1036, 2), 32000u) << "the record's defaults";
}

TEST_F(EditionChoiceTest, StoreInstallPathsChangesOnlyTheHeldRecord) {
  const std::string before = PatternRecord();
  folder_.Write("dest\\config\\settings.cfg", Scrambled(before));
  SetConfigPath(Destination() + "\\config\\");
  ASSERT_TRUE(LoadServerConfig(false, false));
  for (const std::string& install : {std::string("E:\\Mail Server"), std::string("E:\\Mail Server\\")}) {
    StoreInstallPaths(install);
    EXPECT_EQ(Settings().String(f::kTempDir), "E:\\Mail Server\\temp\\") << install;
    EXPECT_EQ(Settings().String(f::kMailDir), "E:\\Mail Server\\mail\\") << install;
    EXPECT_EQ(Settings().String(f::kLogDir), "E:\\Mail Server\\logs\\") << install;
    EXPECT_EQ(Paths().temp_dir, "E:\\Mail Server\\temp\\") << install;
    EXPECT_EQ(Paths().mail_dir, "E:\\Mail Server\\mail\\") << install;
    EXPECT_EQ(Paths().log_dir, "E:\\Mail Server\\logs\\") << install;
    EXPECT_EQ(Paths().forward_dir, "E:\\Mail Server\\mail\\forward\\") << install;
  }
  EXPECT_EQ(Unscrambled(folder_.Read("dest\\config\\settings.cfg")), before) << "nothing is saved";
  EXPECT_FALSE(folder_.Exists("dest\\config\\domains.cfg")) << "nothing is saved";
}

}  // namespace
}  // namespace serverconf
