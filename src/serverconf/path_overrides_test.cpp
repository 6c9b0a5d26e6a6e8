#include "serverconf/path_overrides.h"

#include <gtest/gtest.h>

namespace serverconf {
namespace {

TEST(ParsePathOverrides, LinesCleanedInOrder) {
  const PathOverrides o = ParsePathOverrides(
      " D:\\cfg\\  # moved\r\n"
      "\r\n"
      "/* none */\r\n"
      "-eu\r\n"
      "\\\\srv\\share;bob;pa##ss\r\n"
      "E:\\spam\\\r\n"
      "F:\\alt\r\n"
      "G:\\fwd\\ // forward\r\n"
      "G:\\retry\\\r\n"
      "10.0.0.1;10.0.0.2|10.0.0.9\r\n"
      "mail.example.org\r\n"
      "twelfth line\r\n");
  EXPECT_EQ(o.Line(1), "D:\\cfg\\");
  EXPECT_EQ(o.Line(2), "");
  EXPECT_EQ(o.Line(3), "");
  EXPECT_EQ(o.Line(4), "-eu");
  EXPECT_EQ(o.Line(5), "\\\\srv\\share;bob;pa#ss");
  EXPECT_EQ(o.Line(6), "E:\\spam\\");
  EXPECT_EQ(o.Line(7), "F:\\alt");
  EXPECT_EQ(o.Line(8), "G:\\fwd\\");
  EXPECT_EQ(o.Line(9), "G:\\retry\\");
  EXPECT_EQ(o.Line(10), "10.0.0.1;10.0.0.2|10.0.0.9");
  EXPECT_EQ(o.Line(11), "mail.example.org");
  EXPECT_EQ(o.Line(12), "");
  EXPECT_EQ(o.Line(0), "");
}

TEST(ParsePathOverrides, FewLinesLeaveTheRestEmpty) {
  const PathOverrides o = ParsePathOverrides("X:\\c\\\n\nX:\\t\\");
  EXPECT_EQ(o.Line(1), "X:\\c\\");
  EXPECT_EQ(o.Line(2), "");
  EXPECT_EQ(o.Line(3), "X:\\t\\");
  for (size_t n = 4; n <= kPathOverrideLines; ++n) EXPECT_EQ(o.Line(n), "") << "line " << n;
}

TEST(ParseNetworkDrives, ItemsAndMissingParts) {
  const std::vector<NetworkDrive> d = ParseNetworkDrives("\\\\a\\x;u1;p1| \\\\b\\y |\\\\c\\z;;p3||;u;p");
  ASSERT_EQ(d.size(), 3u);
  EXPECT_EQ(d[0].remote, "\\\\a\\x");
  EXPECT_EQ(d[0].user.value_or("<none>"), "u1");
  EXPECT_EQ(d[0].password.value_or("<none>"), "p1");
  EXPECT_EQ(d[1].remote, "\\\\b\\y");
  EXPECT_FALSE(d[1].user.has_value());
  EXPECT_FALSE(d[1].password.has_value());
  EXPECT_EQ(d[2].remote, "\\\\c\\z");
  EXPECT_FALSE(d[2].user.has_value());
  EXPECT_EQ(d[2].password.value_or("<none>"), "p3");
  EXPECT_TRUE(ParseNetworkDrives("").empty());
}

TEST(ParseBindOverride, WithAndWithoutBar) {
  BindOverride b = ParseBindOverride("1.2.3.4;5.6.7.8 | 9.9.9.9");
  EXPECT_EQ(b.bind_addresses, "1.2.3.4;5.6.7.8");
  EXPECT_EQ(b.outgoing.value_or("<none>"), "9.9.9.9");
  b = ParseBindOverride("1.2.3.4");
  EXPECT_EQ(b.bind_addresses, "1.2.3.4");
  EXPECT_FALSE(b.outgoing.has_value());
  b = ParseBindOverride("|9.9.9.9");
  EXPECT_EQ(b.bind_addresses, "");
  EXPECT_EQ(b.outgoing.value_or("<none>"), "9.9.9.9");
}

}  // namespace
}  // namespace serverconf
