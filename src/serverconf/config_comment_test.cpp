#include "serverconf/config_comment.h"

#include <gtest/gtest.h>

namespace serverconf {
namespace {

TEST(StripConfigComment, HashCutsAndTrims) {
  EXPECT_EQ(StripConfigComment("C:\\Tarno\\config\\   # the config"), "C:\\Tarno\\config\\");
  EXPECT_EQ(StripConfigComment("# whole line"), "");
  EXPECT_EQ(StripConfigComment("  value  "), "  value  ") << "no marker: unchanged";
}

TEST(StripConfigComment, DoubledHashIsAnEscape) {
  EXPECT_EQ(StripConfigComment("pass##word"), "pass#word");
  EXPECT_EQ(StripConfigComment("a##b # note"), "a#b");
  EXPECT_EQ(StripConfigComment("a###b"), "a#") << "escape, then a real marker behind the kept one";
  EXPECT_EQ(StripConfigComment("a####b"), "a##b");
  EXPECT_EQ(StripConfigComment("x##"), "x#");
}

TEST(StripConfigComment, SlashMarker) {
  EXPECT_EQ(StripConfigComment("mail.example.org // host "), "mail.example.org");
  EXPECT_EQ(StripConfigComment("http://host/x"), "http://host/x") << "no blank after the slashes";
  EXPECT_EQ(StripConfigComment("a// /b"), "a/b") << "the marker followed by '/' is an escape";
  EXPECT_EQ(StripConfigComment("a # x // y"), "a");
}

TEST(StripConfigComment, BlockComment) {
  EXPECT_EQ(StripConfigComment(" a /* note */ b "), "a  b");
  EXPECT_EQ(StripConfigComment("a/*x*/"), "a");
  EXPECT_EQ(StripConfigComment("a /* open to the end"), "a");
  EXPECT_EQ(StripConfigComment("a/*/b*/c"), "ac") << "the closing marker is searched behind the opening one";
  EXPECT_EQ(StripConfigComment("a /*x*/ b /*y*/ c"), "a  b /*y*/ c") << "only the first comment";
}

TEST(TrimConfigText, RemovesControlAndBlanks) {
  EXPECT_EQ(TrimConfigText("\t x y \r\n"), "x y");
  EXPECT_EQ(TrimConfigText("   "), "");
  EXPECT_EQ(TrimConfigText(""), "");
}

TEST(SplitConfigLines, BreaksAndLastLine) {
  EXPECT_EQ(SplitConfigLines("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitConfigLines("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitConfigLines("").empty());
}

}  // namespace
}  // namespace serverconf
