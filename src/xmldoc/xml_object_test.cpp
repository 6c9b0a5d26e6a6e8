#include "xmldoc/xml_object.h"

#include <gtest/gtest.h>

#include "support/test_temp_file.h"
#include "xmldoc/ansi_code_page.h"

namespace xmldoc {
namespace {

TEST(TXMLObjectTest, ANewObjectIsAnEmptyDocumentNode) {
  TXMLObject doc;
  EXPECT_EQ(doc.Name(), "");
  EXPECT_EQ(doc.Text(), "");
  EXPECT_TRUE(doc.Attributes().empty());
  EXPECT_TRUE(doc.Children().empty());
  EXPECT_EQ(doc.GetXML(true), "");
  EXPECT_EQ(doc.GetXML(false), "");
}

// The installation report's shape: every element ends its own line, with no
// indentation and no line break after a start tag.
TEST(TXMLObjectTest, FormattedSerialisationEndsEveryElementWithALineBreak) {
  TXMLObject doc;
  doc.AddChild("SETUP").AddChild("NAME", "A & B", true);
  EXPECT_EQ(doc.GetXML(true), "<SETUP><NAME>A &amp; B</NAME>\r\n</SETUP>\r\n");
  EXPECT_EQ(doc.GetXML(false), "<SETUP><NAME>A &amp; B</NAME></SETUP>");
}

TEST(TXMLObjectTest, ElementWithoutTextOrChildrenIsSelfClosing) {
  TXMLObject doc;
  TXMLObject& x = doc.AddChild("X");
  EXPECT_EQ(doc.GetXML(false), "<X/>");
  EXPECT_EQ(doc.GetXML(true), "<X/>\r\n");
  x.AddAttribute("a", "1", false);
  EXPECT_EQ(doc.GetXML(false), "<X a='1'/>");
  EXPECT_EQ(x.GetXML(true), "<X a='1'/>\r\n");
  x.AddAttribute("b", "two words", true);
  x.SetText("t", false);
  EXPECT_EQ(x.GetXML(false), "<X a='1' b='two words'>t</X>");
}

TEST(TXMLObjectTest, SerialisesAWholeTreeInDocumentOrder) {
  TXMLObject doc;
  doc.SetText("<?xml version=\"1.0\"?>", false);
  TXMLObject& root = doc.AddChild("R");
  root.SetText("lead", false);
  root.AddChild("A", "1", false);
  TXMLObject& b = root.AddChild("B");
  b.AddChild("C");
  b.AddAttribute("k", "v", false);
  root.AddChild("D", "x<y", true);
  EXPECT_EQ(doc.GetXML(false), "<?xml version=\"1.0\"?><R>lead<A>1</A><B k='v'><C/></B><D>x&lt;y</D></R>");
  EXPECT_EQ(doc.GetXML(true),
            "<?xml version=\"1.0\"?><R>lead<A>1</A>\r\n<B k='v'><C/>\r\n</B>\r\n<D>x&lt;y</D>\r\n</R>\r\n");
}

// An unnamed child (the language file's extra text) is its text verbatim.
TEST(TXMLObjectTest, UnnamedChildIsWrittenAsItsTextAlone) {
  TXMLObject doc;
  TXMLObject& app = doc.AddChild("APPLICATION");
  app.AddChild("FORMS");
  app.AddChild("", "<!-- extra & raw -->", false);
  EXPECT_EQ(doc.GetXML(true), "<APPLICATION><FORMS/>\r\n<!-- extra & raw --></APPLICATION>\r\n");
}

TEST(TXMLObjectTest, ValuesAreWrittenAsStored) {
  TXMLObject doc;
  TXMLObject& e = doc.AddChild("E", "<b>raw</b>", false);
  e.AddAttribute("raw", "it's", false);
  e.AddAttribute("enc", "it's <ok> & \"fine\"", true);
  EXPECT_EQ(e.GetXML(false), "<E raw='it's' enc='it&apos;s &lt;ok&gt; &amp; &quot;fine&quot;'><b>raw</b></E>");
  EXPECT_EQ(e.GetAttribute("enc", false), "it&apos;s &lt;ok&gt; &amp; &quot;fine&quot;");
  EXPECT_EQ(e.GetAttribute("enc", true), "it's <ok> & \"fine\"");
}

TEST(TXMLObjectTest, EmptyAttributeValueAddsNothing) {
  TXMLObject e;
  e.AddAttribute("a", "", true);
  e.AddAttribute("b", "", false);
  EXPECT_TRUE(e.Attributes().empty());
  e.AddAttribute("", "nameless", false);  // an empty name is kept, as given
  ASSERT_EQ(e.Attributes().size(), 1u);
  EXPECT_EQ(e.Attributes()[0].Name, "");
}

TEST(TXMLObjectTest, AttributesKeepOrderAndLookUpTheFirstOfDuplicates) {
  TXMLObject e;
  e.AddAttribute("ID", "first", false);
  e.AddAttribute("id", "lower", false);
  e.AddAttribute("ID", "second", false);
  ASSERT_EQ(e.Attributes().size(), 3u);
  EXPECT_EQ(e.Attributes()[2].Value, "second");
  EXPECT_EQ(e.GetAttribute("ID", false), "first");
  EXPECT_EQ(e.GetAttribute("id", false), "lower");
  EXPECT_EQ(e.GetAttribute("Id", false), "");
  EXPECT_EQ(e.GetAttribute("missing", true), "");
}

TEST(TXMLObjectTest, NamesAndValuesAreCutTo255Characters) {
  const std::string long_text(300, 'n');
  TXMLObject doc;
  TXMLObject& e = doc.AddChild(long_text);
  EXPECT_EQ(e.Name(), std::string(255, 'n'));
  e.AddAttribute(long_text, std::string(300, 'v'), false);
  e.AddAttribute("enc", std::string(100, '&'), true);  // 500 characters once encoded
  ASSERT_EQ(e.Attributes().size(), 2u);
  EXPECT_EQ(e.Attributes()[0].Name, std::string(255, 'n'));
  EXPECT_EQ(e.Attributes()[0].Value, std::string(255, 'v'));
  std::string amps;
  for (int i = 0; i < 51; ++i) amps += "&amp;";
  EXPECT_EQ(e.Attributes()[1].Value, amps);
  EXPECT_EQ(e.GetAttribute("enc", true), std::string(51, '&'));
  // Element texts have no limit.
  e.SetText(std::string(1000, 't'), true);
  EXPECT_EQ(e.Text().size(), 1000u);
}

// A value cut inside a UTF-8 group reads back without the broken character.
TEST(TXMLObjectTest, ValueCutInsideAnEncodedCharacterDecodesCleanly) {
  if (AnsiCodePage() != 1252) GTEST_SKIP() << "ANSI code page is " << AnsiCodePage();
  TXMLObject e;
  e.AddAttribute("a", std::string(200, '\xE9'), true);  // 400 bytes once encoded
  ASSERT_EQ(e.Attributes().size(), 1u);
  EXPECT_EQ(e.Attributes()[0].Value.size(), 255u);
  EXPECT_EQ(e.GetAttribute("a", true), std::string(127, '\xE9'));
}

TEST(TXMLObjectTest, TextIsSetReplacedAndReadWithOrWithoutConversion) {
  TXMLObject doc;
  TXMLObject& e = doc.AddChild("E", "a<b", true);
  EXPECT_EQ(e.Text(), "a&lt;b");
  EXPECT_EQ(e.GetText(false), "a&lt;b");
  EXPECT_EQ(e.GetText(true), "a<b");
  e.SetText("new", false);
  EXPECT_EQ(e.GetText(true), "new");
  e.SetText("&#65;", false);
  EXPECT_EQ(e.GetText(true), "A");
  EXPECT_EQ(e.GetText(false), "&#65;");
  EXPECT_EQ(doc.AddChild("F", "", true).Text(), "");
}

TEST(TXMLObjectTest, EncodedTextRoundTripsNonAscii) {
  if (AnsiCodePage() != 1252) GTEST_SKIP() << "ANSI code page is " << AnsiCodePage();
  TXMLObject e;
  e.SetText("Caf\xE9 \x80 & <tag>", true);
  EXPECT_EQ(e.Text(), "Caf\xC3\xA9 \xE2\x82\xAC &amp; &lt;tag&gt;");
  EXPECT_EQ(e.GetText(true), "Caf\xE9 \x80 & <tag>");
}

TEST(TXMLObjectTest, FindChildSearchesDirectChildrenByExactName) {
  TXMLObject doc;
  TXMLObject& setup = doc.AddChild("SETUP");
  TXMLObject& first = setup.AddChild("PREFIX", "1", false);
  setup.AddChild("PREFIX", "2", false);
  setup.AddChild("OTHER").AddChild("DEEP");
  EXPECT_EQ(doc.FindChild("SETUP"), &setup);
  EXPECT_EQ(setup.FindChild("PREFIX"), &first);
  EXPECT_EQ(setup.FindChild("prefix"), nullptr);
  EXPECT_EQ(setup.FindChild("PREFIX "), nullptr);
  EXPECT_EQ(setup.FindChild("DEEP"), nullptr);  // grandchildren are not searched
  EXPECT_EQ(doc.FindChild("PREFIX"), nullptr);
  EXPECT_EQ(setup.FindChild("SETUP/PREFIX"), nullptr);
  const TXMLObject& const_setup = setup;
  EXPECT_EQ(const_setup.FindChild("OTHER"), setup.Children()[2].get());
}

TEST(TXMLObjectTest, ChildrenStayWhereTheyAreWhileSiblingsAreAdded) {
  TXMLObject doc;
  TXMLObject& first = doc.AddChild("first");
  for (int i = 0; i < 1000; ++i) doc.AddChild("more");
  first.SetText("still here", false);
  EXPECT_EQ(doc.FindChild("first"), &first);
  EXPECT_EQ(doc.Children().front()->GetText(false), "still here");
}

TEST(TXMLObjectTest, ClearEmptiesEverything) {
  TXMLObject doc;
  TXMLObject& e = doc.AddChild("E", "text", false);
  e.AddAttribute("a", "1", false);
  e.AddChild("C").AddChild("D");
  e.Clear();
  EXPECT_EQ(e.Name(), "");
  EXPECT_EQ(e.Text(), "");
  EXPECT_TRUE(e.Attributes().empty());
  EXPECT_TRUE(e.Children().empty());
  EXPECT_EQ(doc.GetXML(false), "") << "a cleared child is an empty document node";
  doc.Clear();
  EXPECT_TRUE(doc.Children().empty());
  doc.AddChild("again");
  EXPECT_EQ(doc.GetXML(false), "<again/>");
}

// Neither writing nor destroying a tree recurses, whatever its depth.
TEST(TXMLObjectTest, VeryDeepTreesAreWrittenAndFreedWithoutRecursion) {
  constexpr int kDepth = 200000;
  {
    TXMLObject doc;
    TXMLObject* node = &doc;
    for (int i = 0; i < kDepth; ++i) node = &node->AddChild("d");
    node->SetText("leaf", false);
    const std::string xml = doc.GetXML(false);
    EXPECT_EQ(xml.size(), static_cast<size_t>(kDepth) * 7 + 4);
    EXPECT_EQ(xml.substr(0, 6), "<d><d>");
    EXPECT_EQ(xml.substr(kDepth * 3 - 3, 11), "<d>leaf</d>");
    doc.Clear();
    EXPECT_TRUE(doc.Children().empty());
  }
  TXMLObject doc;
  TXMLObject* node = &doc;
  for (int i = 0; i < kDepth; ++i) node = &node->AddChild("d");
  // destroyed at the end of the scope
}

TEST(TXMLObjectTest, SaveToFileWritesTheFormattedTextByteForByte) {
  TestTempFile file("object_save");
  file.Write(std::string(5000, 'x'));
  TXMLObject doc;
  TXMLObject& report = doc.AddChild("REPORT");
  report.AddChild("LINE", "a\r\nb\x1A", false);
  report.AddAttribute("v", "1", false);
  ASSERT_TRUE(doc.SaveToFile(file.Name(), true));
  EXPECT_EQ(file.Read(), "<REPORT v='1'><LINE>a\r\nb\x1A</LINE>\r\n</REPORT>\r\n");
  ASSERT_TRUE(doc.SaveToFile(file.Name(), false));
  EXPECT_EQ(file.Read(), "<REPORT v='1'><LINE>a\r\nb\x1A</LINE></REPORT>");
  TestTempFile dir("object_save_missing_dir");
  EXPECT_FALSE(doc.SaveToFile((dir.Path() / "x.xml").string(), true));
}

// Start-up's case: info.xml with a declaration, a line break
// and one top-level element.
TEST(TXMLObjectTest, LoadFromFileParsesInfoXml) {
  TestTempFile file("object_info");
  file.Write("<?xml version=\"1.0\"?>\r\n<SETUP><PREFIX>abc</PREFIX><NAME>A &amp; B</NAME></SETUP>");
  TXMLObject doc;
  ASSERT_TRUE(doc.LoadFromFile(file.Name()));
  ASSERT_EQ(doc.Children().size(), 1u);
  EXPECT_EQ(doc.Text(), "") << "the declaration leaves no trace";
  const TXMLObject& setup = *doc.Children()[0];
  EXPECT_EQ(setup.Name(), "SETUP");
  ASSERT_NE(setup.FindChild("PREFIX"), nullptr);
  EXPECT_EQ(setup.FindChild("PREFIX")->GetText(true), "abc");
  EXPECT_EQ(setup.FindChild("prefix"), nullptr);
  EXPECT_EQ(setup.FindChild("NAME")->GetText(true), "A & B");
  EXPECT_EQ(doc.GetXML(false), "<SETUP><PREFIX>abc</PREFIX><NAME>A &amp; B</NAME></SETUP>");
}

TEST(TXMLObjectTest, LoadFromFileAnswersFalseForMissingOrEmptyFiles) {
  TestTempFile file("object_load_empty");
  TXMLObject doc;
  EXPECT_FALSE(doc.LoadFromFile(file.Name()));
  EXPECT_FALSE(doc.LoadFromFile(""));
  file.Write("");
  EXPECT_FALSE(doc.LoadFromFile(file.Name()));
  file.Write(" ");  // one byte is a document, even without elements
  EXPECT_TRUE(doc.LoadFromFile(file.Name()));
  EXPECT_TRUE(doc.Children().empty());
}

TEST(TXMLObjectTest, LoadFromFileRefusesADocumentNestedTooDeeply) {
  TestTempFile file("object_load_deep");
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  file.Write(deep);
  TXMLObject doc;
  EXPECT_FALSE(doc.LoadFromFile(file.Name()));
}

TEST(TXMLObjectTest, SaveThenLoadGivesTheSameDocument) {
  TestTempFile file("object_round_trip");
  TXMLObject doc;
  TXMLObject& app = doc.AddChild("APPLICATION");
  TXMLObject& form = app.AddChild("FORMS").AddChild("FORM");
  form.AddAttribute("ID", "TMainForm", true);
  form.AddAttribute("CAPTION", "Setup & \"more\" <it's>", true);
  form.AddChild("ITEM").AddAttribute("ID", "NextButton", true);
  app.AddChild("STRINGS").AddChild("ITEM", "line 1\r\nline 2 & <3>", true).AddAttribute("ID", "cnotrunning", true);
  ASSERT_TRUE(doc.SaveToFile(file.Name(), true));

  TXMLObject loaded;
  ASSERT_TRUE(loaded.LoadFromFile(file.Name()));
  EXPECT_EQ(loaded.GetXML(true), doc.GetXML(true));
  const TXMLObject* read_form = loaded.FindChild("APPLICATION")->FindChild("FORMS")->FindChild("FORM");
  ASSERT_NE(read_form, nullptr);
  EXPECT_EQ(read_form->GetAttribute("CAPTION", true), "Setup & \"more\" <it's>");
  const TXMLObject* item = loaded.FindChild("APPLICATION")->FindChild("STRINGS")->FindChild("ITEM");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->GetText(true), "line 1\r\nline 2 & <3>");
}

}  // namespace
}  // namespace xmldoc
