#include "serverconf/config_scramble.h"

#include <gtest/gtest.h>

#include <vector>

namespace serverconf {
namespace {

TEST(ConfigScramble, ExclusiveOrWithKeyFromPosition) {
  std::vector<uint8_t> block(40, 0);
  ConfigScramble(block.data(), block.size(), 0);
  for (size_t i = 0; i < block.size(); ++i) EXPECT_EQ(block[i], kConfigScrambleKey[i % 16]) << "byte " << i;

  std::vector<uint8_t> shifted = {0x00, 0xFF, 0x10};
  ConfigScramble(shifted.data(), shifted.size(), 8);
  EXPECT_EQ(shifted[0], kConfigScrambleKey[8]);
  EXPECT_EQ(shifted[1], 0xFF ^ kConfigScrambleKey[9]);
  EXPECT_EQ(shifted[2], 0x10 ^ kConfigScrambleKey[10]);
}

TEST(ConfigScramble, TwiceRestoresAndPartsMatchTheWhole) {
  std::vector<uint8_t> data(1000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 37 + 11);
  std::vector<uint8_t> whole = data;
  ConfigScramble(whole.data(), whole.size(), 0);
  EXPECT_NE(whole, data);
  // A part starting at file offset 333 scrambled from position 333 mod 16.
  std::vector<uint8_t> part(data.begin() + 333, data.end());
  ConfigScramble(part.data(), part.size(), 333 % 16);
  EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin() + 333));
  ConfigScramble(whole.data(), whole.size(), 0);
  EXPECT_EQ(whole, data);
}

TEST(ConfigScramble, KeyIsNotTrivial) {
  int zero = 0;
  for (uint8_t b : kConfigScrambleKey) zero += b == 0;
  EXPECT_EQ(zero, 0) << "a zero key byte would leave that column plain";
}

}  // namespace
}  // namespace serverconf
