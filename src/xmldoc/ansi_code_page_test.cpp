#include "xmldoc/ansi_code_page.h"

#include <gtest/gtest.h>

namespace xmldoc {
namespace {

// The cases below are written in Windows-1252, the code page of the native
// build and of the English Windows (and Wine) the tests run on.
class AnsiCodePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (AnsiCodePage() != 1252) GTEST_SKIP() << "ANSI code page is " << AnsiCodePage() << ", not 1252";
  }
};

TEST_F(AnsiCodePageTest, ConvertsTextWithEmbeddedNulAndHighBytes) {
  const std::string ansi("a\0\xE9\x80z", 5);
  const std::u16string wide = AnsiToUtf16(ansi);
  EXPECT_EQ(wide, std::u16string(u"a\0\u00E9\u20ACz", 5));
  EXPECT_EQ(Utf16ToAnsi(wide), ansi);
  EXPECT_EQ(AnsiToUtf16(""), u"");
  EXPECT_EQ(Utf16ToAnsi(u""), "");
}

TEST_F(AnsiCodePageTest, EveryByteRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::u16string wide = AnsiToUtf16(all);
  ASSERT_EQ(wide.size(), 256u);
  EXPECT_EQ(Utf16ToAnsi(wide), all);
}

// A character the code page lacks becomes "?", never a look-alike: a
// full-width "<" or quote must not become markup, a division slash not a
// path separator.
TEST_F(AnsiCodePageTest, UnmappableCharactersBecomeQuestionMarksWithoutBestFit) {
  EXPECT_EQ(Utf16ToAnsi(u"\uFF1C\uFF02\uFF07\u2215\uFF3C"), "?????");
  EXPECT_EQ(Utf16ToAnsi(u"\u0100"), "?");  // not "A"
  EXPECT_EQ(Utf16ToAnsi(u"x\u4E2Dy"), "x?y");
}

}  // namespace
}  // namespace xmldoc
