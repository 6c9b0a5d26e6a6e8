#include "engine/path_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace engine {
namespace {

using Items = std::vector<std::string>;

// The trailing separator rules: add one when missing, drop it when asked, and
// never leave a separator at the end without the add flag.
TEST(AdjustTrailingBackslashTest, AddsOrRemovesOneSeparator) {
  EXPECT_EQ(AdjustTrailingBackslash("C:\\Program Files\\Tarno", true, false),
            "C:\\Program Files\\Tarno\\");
  EXPECT_EQ(AdjustTrailingBackslash("C:\\Program Files\\Tarno\\", true, false),
            "C:\\Program Files\\Tarno\\");
  EXPECT_EQ(AdjustTrailingBackslash("C:\\Program Files\\Tarno\\", false, false),
            "C:\\Program Files\\Tarno");
  EXPECT_EQ(AdjustTrailingBackslash("C:\\Program Files\\Tarno", false, false),
            "C:\\Program Files\\Tarno");
  // A forward slash at the end counts as a separator and stays as it is.
  EXPECT_EQ(AdjustTrailingBackslash("data/mail/", true, false), "data/mail/");
  EXPECT_EQ(AdjustTrailingBackslash("data/mail/", false, false), "data/mail");
  // Only one separator is taken off.
  EXPECT_EQ(AdjustTrailingBackslash("C:\\a\\\\", false, false), "C:\\a\\");
  EXPECT_EQ(AdjustTrailingBackslash("\\", false, false), "");
  EXPECT_EQ(AdjustTrailingBackslash("x", true, false), "x\\");
}

TEST(AdjustTrailingBackslashTest, ConvertTurnsEverySlashIntoBackslash) {
  EXPECT_EQ(AdjustTrailingBackslash("web/mail/skins/", false, true), "web\\mail\\skins");
  EXPECT_EQ(AdjustTrailingBackslash("web/mail/skins/", true, true), "web\\mail\\skins\\");
  EXPECT_EQ(AdjustTrailingBackslash("web/mail\\skins", true, true), "web\\mail\\skins\\");
  EXPECT_EQ(AdjustTrailingBackslash("//srv/share", false, true), "\\\\srv\\share");
  // Without the convert flag the slashes inside stay.
  EXPECT_EQ(AdjustTrailingBackslash("web/mail", true, false), "web/mail\\");
}

TEST(AdjustTrailingBackslashTest, EmptyPathStaysEmpty) {
  EXPECT_EQ(AdjustTrailingBackslash("", true, true), "");
  EXPECT_EQ(AdjustTrailingBackslash("", true, false), "");
  EXPECT_EQ(AdjustTrailingBackslash("", false, true), "");
}

TEST(IsAbsolutePathTest, LeadingSeparatorOrAnyColon) {
  EXPECT_TRUE(IsAbsolutePath("C:\\Windows"));
  EXPECT_TRUE(IsAbsolutePath("C:relative"));
  EXPECT_TRUE(IsAbsolutePath("\\\\server\\share"));
  EXPECT_TRUE(IsAbsolutePath("\\root"));
  EXPECT_TRUE(IsAbsolutePath("/etc/mail"));
  EXPECT_TRUE(IsAbsolutePath("dir\\file:stream"));
  EXPECT_FALSE(IsAbsolutePath(""));
  EXPECT_FALSE(IsAbsolutePath("config\\settings.cfg"));
  EXPECT_FALSE(IsAbsolutePath("settings.cfg"));
  EXPECT_FALSE(IsAbsolutePath(" \\lead blank"));
  EXPECT_FALSE(IsAbsolutePath("a/b"));
}

// A separator, a, a separator, a blank, a separator, b, a final separator.
TEST(SplitListTest, TrimDropsEmptyAndBlankItems) {
  EXPECT_EQ(SplitList(",a, ,b,", ',', true), (Items{"a", "b"}));
  EXPECT_EQ(SplitList("  one ;\ttwo\r\n;;three", ';', true), (Items{"one", "two", "three"}));
  EXPECT_EQ(SplitList(";;;", ';', true), Items{});
}

TEST(SplitListTest, WithoutTrimEveryItemStaysButNoLastEmptyOne) {
  EXPECT_EQ(SplitList(",a, ,b,", ',', false), (Items{"", "a", " ", "b"}));
  EXPECT_EQ(SplitList("a,,b", ',', false), (Items{"a", "", "b"}));
  EXPECT_EQ(SplitList("a,b,,", ',', false), (Items{"a", "b", ""}));
  EXPECT_EQ(SplitList(",", ',', false), (Items{""}));
  EXPECT_EQ(SplitList(" a ", ',', false), (Items{" a "}));
}

TEST(SplitListTest, EmptyTextAndTextWithoutSeparator) {
  EXPECT_EQ(SplitList("", ',', false), Items{});
  EXPECT_EQ(SplitList("", ',', true), Items{});
  EXPECT_EQ(SplitList("single", ',', false), (Items{"single"}));
  EXPECT_EQ(SplitList("   ", ',', true), Items{});
  // The separator is one byte; other bytes, also high ones, are item text.
  EXPECT_EQ(SplitList("p\xE9re|m\xE8re", '|', false), (Items{"p\xE9re", "m\xE8re"}));
  EXPECT_EQ(SplitList("a;b,c", ',', false), (Items{"a;b", "c"}));
}

TEST(TrimTextTest, RemovesBlanksAndControlCharactersAtBothEnds) {
  EXPECT_EQ(TrimText(" \t\r\nC:\\Temp\\ \x01"), "C:\\Temp\\");
  EXPECT_EQ(TrimText("a b"), "a b");
  EXPECT_EQ(TrimText("  "), "");
  // High bytes are letters of the code page, not blanks.
  EXPECT_EQ(TrimText("\xA0x\xA0"), "\xA0x\xA0");
}

TEST(FinishSpecialDirectoryTest, TrimsFallsBackAndEndsInBackslash) {
  EXPECT_EQ(FinishSpecialDirectory("C:\\windows", false, "D:\\setup\\"), "C:\\windows\\");
  EXPECT_EQ(FinishSpecialDirectory(" C:\\TEMP\\ \r\n", true, "D:\\setup\\"), "C:\\TEMP\\");
  EXPECT_EQ(FinishSpecialDirectory(" \t ", false, "D:\\setup\\"), "D:\\setup\\");
  EXPECT_EQ(FinishSpecialDirectory("", false, "D:\\setup"), "D:\\setup\\");
  EXPECT_EQ(FinishSpecialDirectory("", true, "D:\\setup\\"), "");
  EXPECT_EQ(FinishSpecialDirectory(" ", true, "D:\\setup\\"), "");
}

TEST(PathPartsTest, DirectoryAndFileName) {
  EXPECT_EQ(DirectoryOf("C:\\a b\\c.txt"), "C:\\a b\\");
  EXPECT_EQ(DirectoryOf("web/mail/index.html"), "web/mail/");
  EXPECT_EQ(DirectoryOf("C:\\dir\\"), "C:\\dir\\");
  EXPECT_EQ(DirectoryOf("file.txt"), "");
  EXPECT_EQ(FileNameOf("C:\\a b\\c.txt"), "c.txt");
  EXPECT_EQ(FileNameOf("web/mail/index.html"), "index.html");
  EXPECT_EQ(FileNameOf("C:file.txt"), "file.txt");
  EXPECT_EQ(FileNameOf("file.txt"), "file.txt");
  EXPECT_EQ(FileNameOf("C:\\dir\\"), "");
}

TEST(CutTest, KeepsAtMostTheLimitOfBytes) {
  EXPECT_EQ(Cut(std::string(300, 'a')), std::string(255, 'a'));
  EXPECT_EQ(Cut(std::string(255, 'b')), std::string(255, 'b'));
  EXPECT_EQ(Cut("abcdef", 3), "abc");
  EXPECT_EQ(Cut("ab", 3), "ab");
  EXPECT_EQ(Cut("", 0), "");
}

}  // namespace
}  // namespace engine
