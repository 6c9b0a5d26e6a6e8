#include "xmldoc/xml_tag_scanner.h"

#include <gtest/gtest.h>

#include "support/test_temp_file.h"
#include "xmldoc/ansi_code_page.h"

namespace xmldoc {
namespace {

TXMLType Document(std::string data) {
  TXMLType record;
  record.Data = std::move(data);
  return record;
}

// 1-based index of the n-th occurrence (from 1) of `c` in `data`.
int32_t IndexOf(const std::string& data, char c, int n) {
  size_t at = std::string::npos;
  for (int i = 0; i < n; ++i) at = data.find(c, at + 1);
  return static_cast<int32_t>(at + 1);
}

// The product list's case: a tag whose name only begins with the one searched
// for is not it.
TEST(FindXMLTagTest, SkipsATagWhoseNameOnlyBeginsWithTheName) {
  TXMLType record = Document("<list><urlx>no</urlx><url>http://host/a</url></list>");
  std::string out;
  ASSERT_TRUE(FindXMLTag(record, "url", false, false, out));
  EXPECT_EQ(out, "http://host/a");
  EXPECT_EQ(record.Tag, "url");
  EXPECT_EQ(record.Position, IndexOf(record.Data, '>', 5)) << "the closing tag's '>'";

  ASSERT_TRUE(FindXMLTag(record, "url", true, false, out));
  EXPECT_EQ(out, "<url>http://host/a</url>");
}

TEST(FindXMLTagTest, StartTagNameEndsAtBlankSlashOrGreaterThan) {
  for (const char* start : {"<v\tx='1'>", "<v\nx='1'>", "<v\rx='1'>", "<v x='1'>", "<v>"}) {
    TXMLType record = Document(std::string("<vv>no</vv>") + start + "yes</v>");
    std::string out;
    ASSERT_TRUE(FindXMLTag(record, "v", false, false, out)) << start;
    EXPECT_EQ(out, "yes") << start;
  }
  TXMLType other = Document("<v-x>no</v-x><v:x>no</v:x>");
  std::string out;
  EXPECT_FALSE(FindXMLTag(other, "v", false, false, out));
}

TEST(FindXMLTagTest, NamesAreCaseSensitive) {
  TXMLType record = Document("<URL>upper</URL><url>lower</url>");
  std::string out;
  ASSERT_TRUE(FindXMLTag(record, "url", false, false, out));
  EXPECT_EQ(out, "lower");
  EXPECT_FALSE(FindXMLTag(record, "Url", false, false, out));
}

TEST(FindXMLTagTest, EmptyElement) {
  TXMLType record = Document("<list><version number='8.3.9'/><version>late</version></list>");
  std::string out = "previous";
  ASSERT_TRUE(FindXMLTag(record, "version", false, true, out));
  EXPECT_EQ(out, "");
  EXPECT_EQ(record.Position, IndexOf(record.Data, '>', 2));
  ASSERT_TRUE(FindXMLTag(record, "version", true, true, out));
  EXPECT_EQ(out, "<version number='8.3.9'/>");
  EXPECT_EQ(GetXMLTagAttribute(out, "number"), "8.3.9");
}

TEST(FindXMLTagTest, TheFirstClosingTagEndsTheElement) {
  TXMLType record = Document("<a><a>inner</a>outer</a>");
  std::string out;
  ASSERT_TRUE(FindXMLTag(record, "a", false, false, out));
  EXPECT_EQ(out, "<a>inner");
  ASSERT_TRUE(FindXMLTag(record, "a", true, false, out));
  EXPECT_EQ(out, "<a><a>inner</a>");
}

TEST(FindXMLTagTest, DecodeFlagDecodesTheOutput) {
  TXMLType record = Document("<n>A &amp; B&#33; &lt;i&gt;</n>");
  std::string out;
  ASSERT_TRUE(FindXMLTag(record, "n", false, false, out));
  EXPECT_EQ(out, "A &amp; B&#33; &lt;i&gt;");
  ASSERT_TRUE(FindXMLTag(record, "n", false, true, out));
  EXPECT_EQ(out, "A & B! <i>");
  ASSERT_TRUE(FindXMLTag(record, "n", true, true, out));
  EXPECT_EQ(out, "<n>A & B! <i></n>");
}

TEST(FindXMLTagTest, NotFoundEmptiesTheOutputAndResetsPosition) {
  const char* documents[] = {
      "",                   // nothing
      "<other>x</other>",   // no such tag
      "<url",               // name at the very end
      "<url attr='1'",      // start tag without ">"
      "<url>never closed",  // no closing tag
      "<url>x</url >",      // closing tag must be exactly "</url>"
      "<url>x</URL>",
  };
  for (const char* data : documents) {
    TXMLType record = Document(data);
    record.Position = 42;
    record.Tag = "old";
    std::string out = "previous";
    EXPECT_FALSE(FindXMLTag(record, "url", true, false, out)) << data;
    EXPECT_EQ(out, "") << data;
    EXPECT_EQ(record.Tag, "url") << data;
  }
  TXMLType record = Document("<url>x</url>");
  record.Position = 7;
  std::string out = "previous";
  EXPECT_FALSE(FindXMLTag(record, "", false, false, out));
  EXPECT_EQ(out, "");
  EXPECT_EQ(record.Position, 0);
  // Position stays at a start tag that has no closing tag.
  record = Document("<url>never closed");
  EXPECT_FALSE(FindXMLTag(record, "url", false, false, out));
  EXPECT_EQ(record.Position, 5);
}

TEST(FindXMLTagTest, EachCallStartsAfresh) {
  TXMLType record = Document("<v>1</v><v>2</v>");
  std::string out;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(FindXMLTag(record, "v", false, false, out));
    EXPECT_EQ(out, "1");
    EXPECT_EQ(record.Position, 8);
  }
}

TEST(GetXMLTagAttributeTest, ReadsQuotedValuesAndDecodesThem) {
  const std::string tag = "<url ver='8.3.9' href=\"http://h/?a=1&amp;b=2\" empty=''>";
  EXPECT_EQ(GetXMLTagAttribute(tag, "ver"), "8.3.9");
  EXPECT_EQ(GetXMLTagAttribute(tag, "href"), "http://h/?a=1&b=2");
  EXPECT_EQ(GetXMLTagAttribute(tag, "empty"), "");
  EXPECT_EQ(GetXMLTagAttribute(tag, "missing"), "");
  EXPECT_EQ(GetXMLTagAttribute(tag, "VER"), "");
  EXPECT_EQ(GetXMLTagAttribute(tag, ""), "");
  EXPECT_EQ(GetXMLTagAttribute("<x a='one two'/>", "a"), "one two");
}

TEST(GetXMLTagAttributeTest, NameMustFollowASpaceAndPrecedeEquals) {
  EXPECT_EQ(GetXMLTagAttribute("<x aver='1' ver='2'>", "ver"), "2");
  EXPECT_EQ(GetXMLTagAttribute("<x ver = '1'>", "ver"), "");
  EXPECT_EQ(GetXMLTagAttribute("<x\tver='1'>", "ver"), "");
  EXPECT_EQ(GetXMLTagAttribute("<x ver='1' ver='2'>", "ver"), "1");  // the first copy
}

TEST(GetXMLTagAttributeTest, OnlyTheStartTagIsSearched) {
  EXPECT_EQ(GetXMLTagAttribute("<x>text a='1'</x>", "a"), "");
  EXPECT_EQ(GetXMLTagAttribute("<x b='1'><y a='2'/></x>", "a"), "");
}

TEST(GetXMLTagAttributeTest, AValueEndsAtTheNextQuoteOfEitherKind) {
  EXPECT_EQ(GetXMLTagAttribute("<x a='it\"s'>", "a"), "it");
  EXPECT_EQ(GetXMLTagAttribute("<x a=\"it's\">", "a"), "it");
  EXPECT_EQ(GetXMLTagAttribute("<x a='1>", "a"), "");  // never closed
  EXPECT_EQ(GetXMLTagAttribute("<x a='", "a"), "");
  EXPECT_EQ(GetXMLTagAttribute("<x a=", "a"), "");
}

TEST(GetXMLTagAttributeTest, UnquotedValueRunsToABlankOrTheTagEnd) {
  EXPECT_EQ(GetXMLTagAttribute("<x a=1 b='2'>", "a"), "1");
  EXPECT_EQ(GetXMLTagAttribute("<x a=1 b='2'>", "b"), "2");
  EXPECT_EQ(GetXMLTagAttribute("<x a=abc>", "a"), "abc");
  EXPECT_EQ(GetXMLTagAttribute("<x a=abc/>", "a"), "abc");
  EXPECT_EQ(GetXMLTagAttribute("<x a=a/b>", "a"), "a/b");
  EXPECT_EQ(GetXMLTagAttribute("<x a=&lt;1&gt;>", "a"), "<1>");
  EXPECT_EQ(GetXMLTagAttribute("<x a= '1'>", "a"), "");
}

TEST(GetXMLTagAttributeTest, DecodesNonAsciiValues) {
  if (AnsiCodePage() != 1252) GTEST_SKIP() << "ANSI code page is " << AnsiCodePage();
  EXPECT_EQ(GetXMLTagAttribute("<x a='Caf\xC3\xA9'>", "a"), "Caf\xE9");
}

TEST(LoadXMLTypeTest, ReadsTheWholeFileAndResetsTheRecord) {
  TestTempFile file("scanner_load");
  const std::string content("<list>\r\n<url>a\0b</url>\x1A\r\n</list>", 32);
  file.Write(content);
  TXMLType record = Document("old");
  record.Tag = "old";
  record.Position = 9;
  ASSERT_TRUE(LoadXMLType(record, file.Name()));
  EXPECT_EQ(record.Data, content);
  EXPECT_EQ(record.Tag, "");
  EXPECT_EQ(record.Position, 0);
  std::string out;
  ASSERT_TRUE(FindXMLTag(record, "url", false, false, out));
  EXPECT_EQ(out, std::string("a\0b", 3));
}

TEST(LoadXMLTypeTest, EmptyFileIsLoadedMissingFileAndEmptyNameAreNot) {
  TestTempFile file("scanner_empty");
  TXMLType record = Document("old");
  record.Position = 3;
  EXPECT_FALSE(LoadXMLType(record, file.Name()));
  EXPECT_EQ(record.Data, "");
  EXPECT_EQ(record.Position, 0);
  record.Data = "old";
  EXPECT_FALSE(LoadXMLType(record, ""));
  EXPECT_EQ(record.Data, "");
  file.Write("");
  record.Data = "old";
  EXPECT_TRUE(LoadXMLType(record, file.Name()));
  EXPECT_EQ(record.Data, "");
}

}  // namespace
}  // namespace xmldoc
