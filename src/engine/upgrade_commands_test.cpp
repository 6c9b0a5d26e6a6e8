#include "engine/upgrade_commands.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace engine {

std::ostream& operator<<(std::ostream& out, const ServerCommandCall& c) {
  return out << "(" << c.server << ", 0x" << std::hex << c.message << ", 0x" << c.first << std::dec << ", "
             << c.second << ")";
}

namespace {

class RecordingSender : public ServerCommandSender {
 public:
  void ServerCommand(uint32_t server, uint32_t message, uint32_t first, uint32_t second) override {
    sent.push_back({server, message, first, second});
  }
  std::vector<ServerCommandCall> sent;
};

std::vector<ServerCommandCall> Sent(const std::string& previous) {
  RecordingSender sender;
  SendUpgradeCommands(previous, sender);
  return sender.sent;
}

constexpr uint32_t M = 1280;

// The full list an upgrade from a very old release sends: every row, top to
// bottom; the second parameters run 0 to 10 without 7.
const std::vector<ServerCommandCall> kEveryCommand = {
    {4, M, 3841, 0}, {4, M, 3843, 0}, {0, M, 2, 0},    {0, M, 3, 1},    {0, M, 4, 2}, {0, M, 4, 3},
    {0, M, 4, 4},    {4, M, 3845, 5}, {4, M, 3845, 6}, {4, M, 3845, 8}, {0, M, 2, 9}, {0, M, 2, 10},
};

TEST(UpgradeCommandsTest, SendsTheRowsBelowWhichThePreviousVersionLies) {
  EXPECT_EQ(Sent("7.1.2"), kEveryCommand);
  EXPECT_EQ(Sent("6"), kEveryCommand);  // missing fields count as 0
  // 7.4.6: the rows of 7.4.7 and later, not those of 7.1.3 and 7.4.6.
  EXPECT_EQ(Sent("7.4.6"), std::vector<ServerCommandCall>(kEveryCommand.begin() + 5, kEveryCommand.end()));
  EXPECT_EQ(Sent("7.7.2"), (std::vector<ServerCommandCall>{{0, M, 2, 9}, {0, M, 2, 10}}));
  EXPECT_EQ(Sent("8.2.6"), (std::vector<ServerCommandCall>{{0, M, 2, 9}, {0, M, 2, 10}}));
  EXPECT_EQ(Sent("8.2.12"), (std::vector<ServerCommandCall>{{0, M, 2, 10}}));
  EXPECT_EQ(Sent("8.2.12-3"), (std::vector<ServerCommandCall>{{0, M, 2, 10}}));
}

TEST(UpgradeCommandsTest, SendsNothingForANewInstallationOrACurrentRelease) {
  EXPECT_TRUE(Sent("").empty());
  EXPECT_TRUE(Sent("8.2.13").empty());
  EXPECT_TRUE(Sent("8.3.8").empty());
  EXPECT_TRUE(Sent("8.10.0").empty()) << "numeric, not textual comparison";
}

TEST(UpgradeCommandsTest, OtherGatesHoldOnlyForANonEmptyLowerVersion) {
  EXPECT_TRUE(PreviousVersionBelow("7.7.2", kWebServerConfigUpdateBelow));
  EXPECT_FALSE(PreviousVersionBelow("7.7.3", kWebServerConfigUpdateBelow));
  EXPECT_FALSE(PreviousVersionBelow("", kWebServerConfigUpdateBelow));
  EXPECT_TRUE(PreviousVersionBelow("8.2.6", kAntivirusReplacedBelow));
  EXPECT_FALSE(PreviousVersionBelow("8.2.7", kAntivirusReplacedBelow));
  EXPECT_TRUE(PreviousVersionBelow("8.1.6", kGroupwareServiceRenamedBelow));
  EXPECT_FALSE(PreviousVersionBelow("8.1.7", kGroupwareServiceRenamedBelow));
}

}  // namespace
}  // namespace engine
