#include <gtest/gtest.h>

#include <random>

#include "xmldoc/ansi_code_page.h"
#include "xmldoc/xml_object.h"
#include "xmldoc/xml_tag_scanner.h"

namespace xmldoc {
namespace {

// A compact picture of a parsed tree: name, attributes, text in brackets,
// children in braces; a document node is shown as "#".
std::string Shape(const TXMLObject& node) {
  std::string s = node.Name().empty() ? "#" : node.Name();
  for (const TXMLAttribute& a : node.Attributes()) s += " " + a.Name + "=" + a.Value;
  if (!node.Text().empty()) s += "[" + node.Text() + "]";
  if (!node.Children().empty()) {
    s += "{";
    for (size_t i = 0; i < node.Children().size(); ++i) s += (i ? "," : "") + Shape(*node.Children()[i]);
    s += "}";
  }
  return s;
}

std::string Parsed(std::string_view text) {
  TXMLObject doc;
  EXPECT_TRUE(doc.ParseXML(text)) << text;
  return Shape(doc);
}

TEST(ParseXMLTest, DeclarationLeavesNoTrace) {
  EXPECT_EQ(Parsed("<?xml version=\"1.0\"?>\r\n<SETUP><PREFIX>abc</PREFIX></SETUP>"), "#{SETUP{PREFIX[abc]}}");
  EXPECT_EQ(Parsed("<!DOCTYPE x><!-- note --><A/>"), "#{A}");
}

TEST(ParseXMLTest, TextBetweenChildrenIsJoinedAndTrimmedAtTheEnds) {
  EXPECT_EQ(Parsed("<E>x<C/>y</E>"), "#{E[xy]{C}}");
  EXPECT_EQ(Parsed("<A> x <B/> y </A>"), "#{A[x  y]{B}}");
  EXPECT_EQ(Parsed("<A>\r\n\t one\x01\x1F</A>"), "#{A[one]}");
  EXPECT_EQ(Parsed("<A><B>in</B>between<C>in</C>after</A>"), "#{A[betweenafter]{B[in],C[in]}}");
}

// Only codes up to 32 are trimmed; bytes of 128 and more are text.
TEST(ParseXMLTest, HighBytesAreNotTrimmed) {
  EXPECT_EQ(Parsed("<A>\xA0x\xA0</A>"), "#{A[\xA0x\xA0]}");
  EXPECT_EQ(Parsed("<A> \xFF </A>"), "#{A[\xFF]}");
}

TEST(ParseXMLTest, TextAfterTheLastTagOfALevelIsNotKept) {
  EXPECT_EQ(Parsed("lead<A/>tail"), "#[lead]{A}");
  EXPECT_EQ(Parsed("just text"), "#");
  EXPECT_EQ(Parsed("<A><B>t"), "#{A{B}}");
  EXPECT_EQ(Parsed(""), "#");
}

TEST(ParseXMLTest, AnyClosingTagEndsTheLevelAndAtTopLevelTheParse) {
  EXPECT_EQ(Parsed("<A/></B><C/>"), "#{A}");
  EXPECT_EQ(Parsed("<A><B>t</A>x</B><C/>"), "#{A[x]{B[t]},C}");
  EXPECT_EQ(Parsed("<A>t</>u</A>"), "#[u]{A[t]}");  // the text before the top-level "</A>" is kept
}

TEST(ParseXMLTest, SelfClosingWhenTheLastSlashIsJustBeforeTheEnd) {
  EXPECT_EQ(Parsed("<A href='x/'>t</A>"), "#{A href=x/[t]}");
  EXPECT_EQ(Parsed("<A v='/'/><B/>"), "#{A v=/,B}");
  EXPECT_EQ(Parsed("<A/ ><B/></A>"), "#{A{B}}");
}

TEST(ParseXMLTest, ElementNamesAreTheLeadingRunOfNameCharacters) {
  EXPECT_EQ(Parsed("<a.b-c:d_e9 x='1'/>"), "#{a.b-c:d_e9 x=1}");
  EXPECT_EQ(Parsed("<A@B/>"), "#{A}");
  EXPECT_EQ(Parsed("<1st/>"), "#{1st}");
  EXPECT_EQ(Parsed("< A/><B/>"), "#{B}");
  TXMLObject doc;
  doc.ParseXML("<" + std::string(300, 'N') + "/>");
  ASSERT_EQ(doc.Children().size(), 1u);
  EXPECT_EQ(doc.Children()[0]->Name(), std::string(255, 'N'));
}

TEST(ParseXMLTest, AStartTagEndsAtTheFirstGreaterThanEvenInsideQuotes) {
  EXPECT_EQ(Parsed("<A b='x>y'>z</A>"), "#{A[y'>z]}");
  // A comment ends at its first '>': the rest of it is text.
  EXPECT_EQ(Parsed("<!-- a > b --><A/>"), "#[b -->]{A}");
}

TEST(ParseXMLTest, AttributeValuesAreDecodedThenStoredEncoded) {
  TXMLObject doc;
  ASSERT_TRUE(doc.ParseXML("<A v='&#65;&lt;&QUOT;' w=\"dq\"/>"));
  const TXMLObject& a = *doc.Children()[0];
  EXPECT_EQ(Shape(a), "A v=A&lt;&quot; w=dq");
  EXPECT_EQ(a.GetAttribute("v", true), "A<\"");
}

TEST(ParseXMLTest, AttributeReadingFollowsTheQuoteAndWordRules) {
  EXPECT_EQ(Parsed("<A v=''/>"), "#{A}");                // empty values are not kept
  EXPECT_EQ(Parsed("<A v='1' v='2'/>"), "#{A v=1 v=1}");  // every copy reads the first value
  EXPECT_EQ(Parsed("<A v=\"it's\"/>"), "#{A v=it}");      // ends at the next quote of either kind
  EXPECT_EQ(Parsed("<A a = '1' b='2'/>"), "#{A b=2}");    // no blanks around '='
  EXPECT_EQ(Parsed("<A x='a=b' c='d'/>"), "#{A x=a=b c=d}");  // '=' inside quotes is no name end
  EXPECT_EQ(Parsed("<A\tt='1'/>"), "#{A}");                // only a space starts a word
  EXPECT_EQ(Parsed("<A u=1 w=2>t</A>"), "#{A u=1 w=2[t]}");  // unquoted values
}

// Names that hold "=" or a space are garbage (the rest of a word after its
// name, or text spanning quotes) and are not read.
TEST(ParseXMLTest, NamesHoldingEqualsOrSpacesAreNotRead) {
  EXPECT_EQ(Parsed("<A a='1'b='2'/>"), "#{A a=1}");
  EXPECT_EQ(Parsed("<A a=b=c/>"), "#{A a=b=c}");
  EXPECT_EQ(Parsed("<A x'y z'w='1' k='2'/>"), "#{A k=2}");
  EXPECT_EQ(Parsed("<A x'='y='1'/>"), "#{A}");
  EXPECT_EQ(Parsed("<A x'y'z='1'/>"), "#{A x'y'z=1}");  // quotes alone do not spoil a name
}

// The attribute reader against the plain reading of the rules: walk the tag,
// and for every name found take GetXMLTagAttribute's value.
std::vector<TXMLAttribute> ReferenceAttributes(std::string_view tag) {
  TXMLObject element;
  bool quoted = false;
  size_t word = 1;
  for (size_t i = 1; i + 1 < tag.size(); ++i) {
    const char c = tag[i];
    if (c == '\'' || c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == ' ') {
      word = i + 1;
    } else if (!quoted && c == '=' && i > word) {
      const std::string name(tag.substr(word, i - word));
      if (name.find_first_of("= ") == std::string::npos) {
        element.AddAttribute(name, GetXMLTagAttribute(tag, name), true);
      }
    }
  }
  return element.Attributes();
}

TEST(ParseXMLTest, AttributesMatchThePlainReadingOfTheRules) {
  std::mt19937 random(7);
  const std::string alphabet = "ab  =='\"x&;#1";
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  for (int round = 0; round < 20000; ++round) {
    std::string tag = "<E ";
    const int length = 1 + round % 30;
    for (int i = 0; i < length; ++i) tag.push_back(alphabet[pick(random)]);
    tag += ">";
    TXMLObject doc;
    doc.ParseXML(tag);
    ASSERT_EQ(doc.Children().size(), 1u) << tag;
    const std::vector<TXMLAttribute> expected = ReferenceAttributes(tag);
    const TXMLAttributes& actual = doc.Children()[0]->Attributes();
    ASSERT_EQ(actual.size(), expected.size()) << tag;
    for (size_t i = 0; i < actual.size(); ++i) {
      ASSERT_EQ(actual[i].Name, expected[i].Name) << tag;
      ASSERT_EQ(actual[i].Value, expected[i].Value) << tag << " attribute " << actual[i].Name;
    }
  }
}

// Start tags crafted to make each attribute look-up scan the whole tag: read
// in linear time they take a fraction of a second; read by searching the tag
// for every name they would take many minutes (and time out).
TEST(ParseXMLTest, HugeStartTagsAreReadInLinearTime) {
  std::string many_names = "<x";
  for (int i = 0; i < 200000; ++i) many_names += " a" + std::to_string(i) + "='v'";
  many_names += "/>";
  TXMLObject doc;
  ASSERT_TRUE(doc.ParseXML(many_names));
  ASSERT_EQ(doc.Children()[0]->Attributes().size(), 200000u);
  EXPECT_EQ(doc.Children()[0]->GetAttribute("a199999", true), "v");

  std::string equals = "<x";
  for (int i = 0; i < 100000; ++i) equals += " b";
  equals += " a" + std::string(1000000, '=') + "'v'>";
  TXMLObject doc2;
  ASSERT_TRUE(doc2.ParseXML(equals));
  ASSERT_EQ(doc2.Children()[0]->Attributes().size(), 1u);
  EXPECT_EQ(doc2.Children()[0]->GetAttribute("a", false), "v");

  std::string duplicates = "<x a='" + std::string(100000, 'v') + "'";
  for (int i = 0; i < 20000; ++i) duplicates += " a=";
  duplicates += ">";
  TXMLObject doc3;
  ASSERT_TRUE(doc3.ParseXML(duplicates));
  ASSERT_EQ(doc3.Children()[0]->Attributes().size(), 20001u);
  EXPECT_EQ(doc3.Children()[0]->Attributes().back().Value, std::string(255, 'v'));
}

TEST(ParseXMLTest, AttributesLongerThan255CharactersAreCut) {
  TXMLObject doc;
  ASSERT_TRUE(doc.ParseXML("<A " + std::string(300, 'n') + "='" + std::string(300, 'v') + "'/>"));
  const TXMLObject& a = *doc.Children()[0];
  ASSERT_EQ(a.Attributes().size(), 1u);
  EXPECT_EQ(a.Attributes()[0].Name, std::string(255, 'n'));
  EXPECT_EQ(a.Attributes()[0].Value, std::string(255, 'v'));
}

TEST(ParseXMLTest, UnterminatedTagsAndStrayLessThanSigns) {
  EXPECT_EQ(Parsed("<A>text<B"), "#{A[text]}");
  EXPECT_EQ(Parsed("<A>1 < 2</A><B/>"), "#{A[1]{B}}");  // "< 2</A>" is one skipped tag
  EXPECT_EQ(Parsed("<A>a<<<b</A>"), "#{A[a]}");
  EXPECT_EQ(Parsed("<"), "#");
  EXPECT_EQ(Parsed("<<<<"), "#");
  EXPECT_EQ(Parsed(">>><A>x</A>"), "#[>>>]{A[x]}");
  // The level that meets a '<' without '>' ends; its parent goes on scanning
  // after that '<', so what follows is the parent's text up to the next '<'.
  EXPECT_EQ(Parsed("<A>xx<b yy<c"), "#[b yy]{A[xx]}");
}

TEST(ParseXMLTest, ParsingAppendsToExistingChildrenAndText) {
  TXMLObject doc;
  doc.AddChild("OLD");
  ASSERT_TRUE(doc.ParseXML("<NEW/>"));
  ASSERT_TRUE(doc.ParseXML("<NEW/>"));
  EXPECT_EQ(Shape(doc), "#{OLD,NEW,NEW}");
  TXMLObject e;
  e.SetText("old ", false);
  ASSERT_TRUE(e.ParseXML("new<X/> "));
  EXPECT_EQ(Shape(e), "#[old new]{X}");
}

TEST(ParseXMLTest, NonAsciiTextIsKeptInStoredForm) {
  if (AnsiCodePage() != 1252) GTEST_SKIP() << "ANSI code page is " << AnsiCodePage();
  TXMLObject doc;
  ASSERT_TRUE(doc.ParseXML("<A n='Caf\xC3\xA9'>Caf\xC3\xA9 &amp; co</A>"));
  const TXMLObject& a = *doc.Children()[0];
  EXPECT_EQ(a.Text(), "Caf\xC3\xA9 &amp; co");
  EXPECT_EQ(a.GetText(true), "Caf\xE9 & co");
  EXPECT_EQ(a.GetAttribute("n", false), "Caf\xC3\xA9");
  EXPECT_EQ(a.GetAttribute("n", true), "Caf\xE9");
}

std::string Nested(int depth, std::string_view innermost = "") {
  std::string s;
  for (int i = 0; i < depth; ++i) s += "<a>";
  s += innermost;
  for (int i = 0; i < depth; ++i) s += "</a>";
  return s;
}

int Depth(const TXMLObject& doc) {
  int depth = 0;
  for (const TXMLObject* node = &doc; !node->Children().empty(); node = node->Children()[0].get()) ++depth;
  return depth;
}

TEST(ParseXMLTest, NestingUpToTheLimitIsRead) {
  TXMLObject doc;
  ASSERT_TRUE(doc.ParseXML(Nested(kMaxXMLNestingDepth, "leaf") + "<b/>"));
  EXPECT_EQ(Depth(doc), kMaxXMLNestingDepth);
  ASSERT_EQ(doc.Children().size(), 2u);
  EXPECT_EQ(doc.Children()[1]->Name(), "b");
  const TXMLObject* node = &doc;
  while (!node->Children().empty()) node = node->Children()[0].get();
  EXPECT_EQ(node->Text(), "leaf");
  // The limit counts from the object being filled.
  TXMLObject again;
  ASSERT_TRUE(again.ParseXML(Nested(kMaxXMLNestingDepth - 1, "<c/>")));
  EXPECT_EQ(Depth(again), kMaxXMLNestingDepth);
}

// A document nested deeper than the limit (a damaged or hostile language
// file) stops the parse there instead of exhausting the stack.
TEST(ParseXMLTest, NestingBeyondTheLimitStopsTheParse) {
  for (std::string_view innermost : {"<x/>", "<x>", "t<x>u</x>"}) {
    TXMLObject doc;
    EXPECT_FALSE(doc.ParseXML(Nested(kMaxXMLNestingDepth, innermost) + "<after/>")) << innermost;
    EXPECT_EQ(Depth(doc), kMaxXMLNestingDepth) << innermost;
    EXPECT_EQ(doc.Children().size(), 1u) << "nothing after the limit is read: " << innermost;
  }
  TXMLObject doc;
  std::string huge;
  for (int i = 0; i < 1000000; ++i) huge += "<a>";
  EXPECT_FALSE(doc.ParseXML(huge));
  EXPECT_EQ(Depth(doc), kMaxXMLNestingDepth);
}

TEST(ParseXMLTest, SerialisedTreesParseBackToTheSameTree) {
  TXMLObject doc;
  TXMLObject& root = doc.AddChild("ROOT");
  root.AddAttribute("q", "a'b\"c<d>e&f", true);
  root.AddChild("EMPTY");
  root.AddChild("T", "  spaced & <marked>  ", true);  // outer blanks are trimmed on reading
  TXMLObject& nest = root.AddChild("N");
  nest.AddChild("M").AddChild("O", "deep", true);
  nest.AddAttribute("x", "1", true);
  for (bool formatted : {false, true}) {
    TXMLObject back;
    ASSERT_TRUE(back.ParseXML(doc.GetXML(formatted)));
    EXPECT_EQ(Shape(back), "#{ROOT q=a&apos;b&quot;c&lt;d&gt;e&amp;f{EMPTY,T[spaced &amp; &lt;marked&gt;],N x=1{M{O[deep]}}}}")
        << "formatted: " << formatted;
    EXPECT_EQ(back.FindChild("ROOT")->GetAttribute("q", true), "a'b\"c<d>e&f");
  }
}

}  // namespace
}  // namespace xmldoc
