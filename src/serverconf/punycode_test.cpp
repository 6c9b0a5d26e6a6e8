#include "serverconf/punycode.h"

#include <gtest/gtest.h>

namespace serverconf {
namespace {

// Samples of the bootstring encoding's published examples, as code points.
TEST(Punycode, DecodesKnownLabels) {
  const auto german = DecodePunycodeLabel("mnchen-3ya");
  ASSERT_TRUE(german.has_value());
  EXPECT_EQ(CodePointsToUtf8(*german), "m\xC3\xBC" "nchen");

  const auto chinese = DecodePunycodeLabel("ihqwcrb4cv8a8dqg056pqjye");
  ASSERT_TRUE(chinese.has_value());
  EXPECT_EQ(*chinese, std::u32string(U"\u4ED6\u4EEC\u4E3A\u4EC0\u4E48\u4E0D\u8BF4\u4E2D\u6587"));

  const auto mixed = DecodePunycodeLabel("3B-ww4c5e180e575a65lsy2b");
  ASSERT_TRUE(mixed.has_value());
  EXPECT_EQ(*mixed, std::u32string(U"3\u5E74B\u7D44\u91D1\u516B\u5148\u751F"));

  const auto plain_only = DecodePunycodeLabel("abc-");
  ASSERT_TRUE(plain_only.has_value());
  EXPECT_EQ(CodePointsToUtf8(*plain_only), "abc");
}

TEST(Punycode, RejectsInvalidInput) {
  EXPECT_FALSE(DecodePunycodeLabel("mnchen-3y!").has_value());   // not in the alphabet
  EXPECT_FALSE(DecodePunycodeLabel("mnchen-3y").has_value());    // digits end inside a number
  EXPECT_FALSE(DecodePunycodeLabel("99999999999").has_value());  // overflow
  EXPECT_FALSE(DecodePunycodeLabel("m\xC3\xBC-3ya").has_value());  // non-basic before the delimiter
}

TEST(Punycode, DecodesOnlyXnLabelsOfAName) {
  EXPECT_EQ(DecodeIdnName("mail.xn--mnchen-3ya.de"), "mail.m\xC3\xBC" "nchen.de");
  EXPECT_EQ(DecodeIdnName("XN--mnchen-3ya.de"), "m\xC3\xBC" "nchen.de");
  EXPECT_EQ(DecodeIdnName("example.com"), "example.com");
  EXPECT_EQ(DecodeIdnName("xn--.com"), "xn--.com");
  EXPECT_EQ(DecodeIdnName("xn--bad!.com"), "xn--bad!.com");
}

}  // namespace
}  // namespace serverconf
