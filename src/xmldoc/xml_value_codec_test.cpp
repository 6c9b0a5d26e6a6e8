#include "xmldoc/xml_value_codec.h"

#include <gtest/gtest.h>

#include <random>

#include "xmldoc/ansi_code_page.h"

namespace xmldoc {
namespace {

TEST(EncodeXMLValueTest, EscapesMarkupCharactersAmpersandFirst) {
  EXPECT_EQ(EncodeXMLValue("a&b\"c'd<e>f"), "a&amp;b&quot;c&apos;d&lt;e&gt;f");
  EXPECT_EQ(EncodeXMLValue("&lt;"), "&amp;lt;");  // an escape in the input is escaped again
  EXPECT_EQ(EncodeXMLValue("A & B"), "A &amp; B");
  EXPECT_EQ(EncodeXMLValue("plain text 123\r\n\t"), "plain text 123\r\n\t");
  EXPECT_EQ(EncodeXMLValue(""), "");
  EXPECT_EQ(EncodeXMLValue(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(DecodeXMLValueTest, ResolvesNamedReferencesInAnyCase) {
  EXPECT_EQ(DecodeXMLValue("&amp;&quot;&apos;&lt;&gt;"), "&\"'<>");
  EXPECT_EQ(DecodeXMLValue("&AMP;&Quot;&aPoS;&LT;&gT;"), "&\"'<>");
  EXPECT_EQ(DecodeXMLValue("A &amp; B"), "A & B");
}

// 65 decimal, 42 hexadecimal and "&amp;" in capitals.
TEST(DecodeXMLValueTest, ResolvesCharacterReferences) {
  EXPECT_EQ(DecodeXMLValue("&#65;&#x42;&AMP;"), "AB&");
  EXPECT_EQ(DecodeXMLValue("&#X42;&#$42;&#x6a;&#X6A;"), "BBjj");
  EXPECT_EQ(DecodeXMLValue("&#233;"), "\xE9");
  EXPECT_EQ(DecodeXMLValue("&#0;"), std::string(1, '\0'));
  // The byte is the number modulo 256, however large the number.
  EXPECT_EQ(DecodeXMLValue("&#321;"), "A");
  EXPECT_EQ(DecodeXMLValue("&#x141;"), "A");
  EXPECT_EQ(DecodeXMLValue("&#99999999999999999999999;"), "\xFF");
  EXPECT_EQ(DecodeXMLValue("&#x123456789abcdef0123;"), "\x23");
}

TEST(DecodeXMLValueTest, NumberTextNotWhollyValidYieldsItsLeadingDigits) {
  EXPECT_EQ(DecodeXMLValue("&#65abc;x"), "Ax");
  EXPECT_EQ(DecodeXMLValue("&#x4G;"), "\x04");
  EXPECT_EQ(DecodeXMLValue("&#6.5;"), "\x06");
  EXPECT_EQ(DecodeXMLValue("&#x41z9;"), "A");
}

TEST(DecodeXMLValueTest, TextThatIsNoReferenceStaysAsWritten) {
  const char* kept[] = {
      "&",       "a & b",   "&amp",    "&amp ;",  "& amp;",   "&#;",     "&#x;",   "&#$;",
      "&#abc;",  "&#-65;",  "&#+65;",  "&foo;",   "&ampx;",   "&;",      "&#65",   "&#65 ;",
      "&&",      "x&",      "&am\tp;", "&#",      "&#x",
  };
  for (const char* text : kept) EXPECT_EQ(DecodeXMLValue(text), text) << "input: " << text;
  // A failed "&" does not hide a reference right after it.
  EXPECT_EQ(DecodeXMLValue("&&amp;"), "&&");
  EXPECT_EQ(DecodeXMLValue("&#&#65;"), "&#A");
  EXPECT_EQ(DecodeXMLValue("&foo &lt;"), "&foo <");
}

// What a reference yields is not read again.
TEST(DecodeXMLValueTest, ResolvesInOnePass) {
  EXPECT_EQ(DecodeXMLValue("&amp;lt;"), "&lt;");
  EXPECT_EQ(DecodeXMLValue("&amp;amp;"), "&amp;");
  EXPECT_EQ(DecodeXMLValue("&#38;#65;"), "&#65;");
  EXPECT_EQ(DecodeXMLValue("&amp;&#35;65;"), "&#65;");
}

// Non-ASCII cases are written in Windows-1252.
class CodePage1252Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (AnsiCodePage() != 1252) GTEST_SKIP() << "ANSI code page is " << AnsiCodePage() << ", not 1252";
  }
};

TEST_F(CodePage1252Test, EncodesHighBytesAsUtf8) {
  EXPECT_EQ(EncodeXMLValue("\xE9"), "\xC3\xA9");             // e acute: two bytes
  EXPECT_EQ(EncodeXMLValue("\x80"), "\xE2\x82\xAC");         // euro sign: three bytes
  EXPECT_EQ(EncodeXMLValue("\xA0"), "\xC2\xA0");
  EXPECT_EQ(EncodeXMLValue("\x81"), "\xC2\x81");             // undefined byte kept as U+0081
  EXPECT_EQ(EncodeXMLValue("<\xE9>"), "&lt;\xC3\xA9&gt;");
  EXPECT_EQ(EncodeXMLValue("Caf\xE9 & \x93quoted\x94"), "Caf\xC3\xA9 &amp; \xE2\x80\x9Cquoted\xE2\x80\x9D");
}

TEST_F(CodePage1252Test, DecodesUtf8ToTheCodePage) {
  EXPECT_EQ(DecodeXMLValue("\xC3\xA9"), "\xE9");
  EXPECT_EQ(DecodeXMLValue("\xE2\x82\xAC"), "\x80");
  EXPECT_EQ(DecodeXMLValue("Caf\xC3\xA9 &amp; more"), "Caf\xE9 & more");
  EXPECT_EQ(DecodeXMLValue("x\xE4\xB8\xADy"), "x?y");  // not in the code page
  // UTF-8 is read before references: a reference's byte is not read as UTF-8.
  EXPECT_EQ(DecodeXMLValue("&#233;\xC3\xA9"), "\xE9\xE9");
}

// The reader's lead-byte rule: bit 7 clear is one byte, bits 7 and 5 set
// start three bytes, any other byte with bit 7 set starts two; payload bits
// are combined without validation.
TEST_F(CodePage1252Test, ReadsUtf8ByTheLeadByteRuleWithoutValidation) {
  EXPECT_EQ(DecodeXMLValue("\x83\xA9"), "\xE9");          // continuation byte as a two-byte lead
  EXPECT_EQ(DecodeXMLValue("\xA0\x83\xA9"), "\xE9");      // 0xA0 has bits 7 and 5: three bytes
  EXPECT_EQ(DecodeXMLValue("\xF0\x80\xC1z"), "\x01z");    // 0xF0 reads three bytes, not four
  EXPECT_EQ(DecodeXMLValue("\xC1\x81"), "A");             // overlong form of "A"
  EXPECT_EQ(DecodeXMLValue("\xC3\x29"), "\xE9");          // second byte not checked
}

// A group cut short at the end (as a value cut to 255 characters after
// encoding can be) is dropped, not read past the end.
TEST_F(CodePage1252Test, DropsAGroupCutShortAtTheEnd) {
  EXPECT_EQ(DecodeXMLValue("A\xC3"), "A");
  EXPECT_EQ(DecodeXMLValue("A\xE2\x82"), "A");
  EXPECT_EQ(DecodeXMLValue("A\xE2"), "A");
  EXPECT_EQ(DecodeXMLValue("\xC3"), "");
}

TEST_F(CodePage1252Test, EveryTextRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(DecodeXMLValue(EncodeXMLValue(all)), all);

  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 500; ++round) {
    std::string text;
    const int length = round % 40;
    for (int i = 0; i < length; ++i) text.push_back(static_cast<char>(byte(random)));
    const std::string stored = EncodeXMLValue(text);
    ASSERT_EQ(DecodeXMLValue(stored), text) << "stored form: " << stored;
  }
}

}  // namespace
}  // namespace xmldoc
