#include "xmldoc/windows_1252.h"

#include <gtest/gtest.h>

namespace xmldoc {
namespace {

// The native build's ANSI texts must survive UTF-16 unchanged, every byte.
TEST(Windows1252Test, EveryByteRoundTrips) {
  for (int b = 0; b < 256; ++b) {
    const char16_t unit = Windows1252ToUtf16(static_cast<unsigned char>(b));
    const std::optional<unsigned char> back = Utf16ToWindows1252(unit);
    ASSERT_TRUE(back.has_value()) << "byte " << b << " -> U+" << std::hex << static_cast<int>(unit);
    EXPECT_EQ(*back, b) << "byte " << b << " -> U+" << std::hex << static_cast<int>(unit);
  }
}

TEST(Windows1252Test, MapsTheCodePagesOwnCharacters) {
  EXPECT_EQ(Windows1252ToUtf16(0x41), u'A');
  EXPECT_EQ(Windows1252ToUtf16(0x80), u'\u20AC');  // euro sign
  EXPECT_EQ(Windows1252ToUtf16(0x8A), u'\u0160');
  EXPECT_EQ(Windows1252ToUtf16(0x93), u'\u201C');
  EXPECT_EQ(Windows1252ToUtf16(0x9F), u'\u0178');
  EXPECT_EQ(Windows1252ToUtf16(0xA0), u'\u00A0');
  EXPECT_EQ(Windows1252ToUtf16(0xE9), u'\u00E9');  // e acute
  EXPECT_EQ(Windows1252ToUtf16(0xFF), u'\u00FF');
  // Undefined bytes keep their value as C1 controls.
  for (unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_EQ(Windows1252ToUtf16(b), static_cast<char16_t>(b)) << "byte " << static_cast<int>(b);
  }
}

TEST(Windows1252Test, CharactersOutsideTheCodePageHaveNoByte) {
  // C1 controls that 1252 replaced by printable characters, and others.
  for (char16_t unit : {u'\u0080', u'\u0085', u'\u009F', u'\u0100', u'\u4E2D', u'\uFF1C', static_cast<char16_t>(0xD800)}) {
    EXPECT_FALSE(Utf16ToWindows1252(unit).has_value()) << "U+" << std::hex << static_cast<int>(unit);
  }
}

}  // namespace
}  // namespace xmldoc
