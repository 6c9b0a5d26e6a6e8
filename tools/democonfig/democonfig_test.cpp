// The demonstration configuration read back byte by byte, as the store will
// read it after the installation unpacks it.
#include "democonfig.h"

#include <gtest/gtest.h>

#include <map>

#include "serverconf/config_scramble.h"
#include "serverconf/demo_configuration.h"
#include "serverconf/domain_table.h"

namespace democonfig {
namespace {

std::vector<uint8_t> Plain(std::vector<uint8_t> bytes, size_t record_size) {
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] ^= serverconf::kConfigScrambleKey[(i % record_size) % 16];
  return bytes;
}

std::string Str(const std::vector<uint8_t>& r, size_t offset) {
  return std::string(reinterpret_cast<const char*>(r.data() + offset + 1), r[offset]);
}

uint32_t Le32(const std::vector<uint8_t>& r, size_t offset) {
  return r[offset] | r[offset + 1] << 8 | r[offset + 2] << 16 | uint32_t(r[offset + 3]) << 24;
}

std::map<std::string, std::vector<uint8_t>> Files() {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const DemoFile& file : DemoConfigurationFiles()) files[file.path] = file.bytes;
  return files;
}

TEST(DemoConfiguration, HoldsTheDemoDomainFirstInTheCurrentLayout) {
  auto files = Files();
  const std::string domain = serverconf::kDemoDomainName;
  ASSERT_EQ(files.size(), 4u);
  const std::vector<uint8_t> settings = Plain(files["settings.cfg"], 25807);
  ASSERT_EQ(settings.size(), 25807u);
  EXPECT_EQ(settings[255], 1) << "Professional";
  EXPECT_EQ(settings[7001], 1) << "the domain table is in its 96-byte form";
  EXPECT_EQ(Le32(settings, 7020), 1u) << "one domain";
  EXPECT_EQ(settings[3633], 1) << "record files, no database";

  const std::vector<uint8_t>& table = files["domains.cfg"];
  ASSERT_EQ(table.size(), 96u) << "not scrambled, one entry";
  EXPECT_EQ(Str(table, 0), domain);
  EXPECT_EQ(Le32(table, 92), 0u) << "not bound";

  const std::vector<uint8_t> record = Plain(files[domain + "\\domain.cfg"], 913);
  ASSERT_EQ(record.size(), 913u);
  EXPECT_EQ(Str(record, 384), "admin@" + domain);
}

TEST(DemoConfiguration, HasUsersAndAccountsOfOtherTypes) {
  auto files = Files();
  const std::string domain = serverconf::kDemoDomainName;
  const std::vector<uint8_t> users = Plain(files[domain + "\\users.cfg"], 2848);
  ASSERT_EQ(users.size() % 2848, 0u);
  int user_accounts = 0, others = 0;
  for (size_t at = 0; at < users.size(); at += 2848) {
    const std::vector<uint8_t> r(users.begin() + at, users.begin() + at + 2848);
    (r[0] == 0 ? user_accounts : others)++;
    const std::string aliases = Str(r, 260);
    ASSERT_FALSE(aliases.empty()) << "record " << at / 2848;
    const std::string first = aliases.substr(0, aliases.find(';'));
    EXPECT_EQ(Str(r, 516), first);
    EXPECT_EQ(Str(r, 1028), domain + "\\" + first + "\\");
    EXPECT_EQ(r[645], 0) << "no validity limit until the installation sets one";
  }
  EXPECT_GE(user_accounts, 2);
  EXPECT_GE(others, 1);
  EXPECT_EQ(Files(), files) << "the same bytes on every run";
}

}  // namespace
}  // namespace democonfig
