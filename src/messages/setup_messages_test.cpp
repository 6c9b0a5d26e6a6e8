#include "messages/setup_messages.h"

#include <gtest/gtest.h>

#include <set>

namespace setup {
namespace {

// The table is what the language file exports and imports: 70 distinct keys
// in their fixed order, each bound to its own field.
TEST(SetupMessagesTest, TableHoldsSeventyDistinctKeysInOrder) {
  const auto& table = MessageTable();
  ASSERT_EQ(table.size(), 70u);
  EXPECT_STREQ(table.front().key, "cName");
  EXPECT_STREQ(table[13].key, "cSetup");
  EXPECT_STREQ(table[21].key, "cSetupError");
  EXPECT_STREQ(table[58].key, "cPSetup");
  EXPECT_STREQ(table.back().key, "DemoMsg");
  std::set<std::string> keys;
  SetupMessages m;
  std::set<const std::string*> fields;
  for (const auto& row : table) {
    EXPECT_TRUE(keys.insert(LowerCaseAscii(row.key)).second) << "duplicate key " << row.key;
    EXPECT_TRUE(fields.insert(&(m.*row.field)).second) << "field bound twice: " << row.key;
  }
}

TEST(SetupMessagesTest, DefaultsAreTheEnglishTexts) {
  SetupMessages m;
  EXPECT_EQ(m.cName, "Tarno Mail Server");
  EXPECT_EQ(m.cPSetup, "%s %s Setup");
  EXPECT_EQ(m.cSetupError, "Setup could not find the required files.");
  EXPECT_EQ(m.cSetupType, "Server Type && Console Mode");
  EXPECT_EQ(m.cWebMailManualFile, "html\\mail\\help\\index.htm");
  EXPECT_EQ(m.cErrorFile,
            "File copy error: %s\r\n%s\r\nIt is suggested to reboot this computer and run the setup again.");
  EXPECT_EQ(m.cHintStd.substr(0, 55), "Standard version is an affordable solution for medium\r\n");
}

TEST(MessageRegistryTest, SetMatchesKeysWithoutRegardToCase) {
  MessageRegistry registry;
  SetupMessages m;
  RegisterSetupMessages(m, registry);
  ASSERT_EQ(registry.bindings().size(), 70u);
  EXPECT_EQ(registry.bindings()[0].key, "cname");
  EXPECT_EQ(registry.bindings()[0].text, &m.cName);

  EXPECT_TRUE(SetMessage("CNAME", "Serveur", registry));
  EXPECT_EQ(m.cName, "Serveur");
  EXPECT_TRUE(SetMessage("cdoyouexittitle", "Quitter", registry));
  EXPECT_EQ(m.cDoYouExitTitle, "Quitter");
}

TEST(MessageRegistryTest, UnknownKeyChangesNothing) {
  MessageRegistry registry;
  SetupMessages m;
  RegisterSetupMessages(m, registry);
  SetupMessages untouched;
  EXPECT_FALSE(SetMessage("cNameX", "changed", registry));
  EXPECT_FALSE(SetMessage("", "changed", registry));
  for (const auto& row : MessageTable()) EXPECT_EQ(m.*row.field, untouched.*row.field) << row.key;
}

TEST(MessageRegistryTest, FirstBindingOfAKeyWins) {
  MessageRegistry registry;
  std::string first, second;
  RegisterMessage("Key", &first, registry);
  RegisterMessage("KEY", &second, registry);
  SetMessage("key", "x", registry);
  EXPECT_EQ(first, "x");
  EXPECT_EQ(second, "");
}

TEST(MessageRegistryTest, GrowsByHundredAndKeepsOrder) {
  MessageRegistry registry;
  std::vector<std::string> texts(250);
  RegisterMessage("k0", &texts[0], registry);
  EXPECT_EQ(registry.capacity(), 100u);
  for (int i = 1; i < 250; ++i) RegisterMessage("K" + std::to_string(i), &texts[i], registry);
  EXPECT_EQ(registry.capacity(), 300u);
  ASSERT_EQ(registry.bindings().size(), 250u);
  for (int i = 0; i < 250; ++i) {
    EXPECT_EQ(registry.bindings()[i].key, "k" + std::to_string(i));
    EXPECT_EQ(registry.bindings()[i].text, &texts[i]);
  }
}

TEST(MessageRegistryTest, KeysAreCutAt255Characters) {
  MessageRegistry registry;
  std::string text;
  RegisterMessage(std::string(300, 'A'), &text, registry);
  EXPECT_EQ(registry.bindings()[0].key, std::string(255, 'a'));
  EXPECT_TRUE(SetMessage(std::string(255, 'a') + "ignored", "set", registry));
  EXPECT_EQ(text, "set");
}

TEST(FormatTextTest, ReplacesPlaceholdersInOrder) {
  EXPECT_EQ(FormatText("%s %s Setup", {"Tarno Mail Server", "8.3.8"}), "Tarno Mail Server 8.3.8 Setup");
  EXPECT_EQ(FormatText("a%sb", {}), "ab");
  EXPECT_EQ(FormatText("100%% of %s", {"it"}), "100% of it");
  EXPECT_EQ(FormatText("%s", {"%s"}), "%s");  // arguments are not formatted again
  EXPECT_EQ(FormatText("ends with %", {"x"}), "ends with %");
  EXPECT_EQ(FormatText("%d stays", {"x"}), "%d stays");
}

}  // namespace
}  // namespace setup
