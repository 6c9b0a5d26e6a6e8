#include "setup/language_document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "support/test_temp_file.h"

namespace setup {
namespace {

// A control as the tests arrange it; every field is what a real control would show.
struct FakeControl : LanguageControl {
  FakeControl(std::string name, std::string class_name, std::string caption = {}, std::string hint = {})
      : name(std::move(name)), class_name(std::move(class_name)), caption(std::move(caption)), hint(std::move(hint)) {}
  std::string Name() const override { return name; }
  std::string ClassName() const override { return class_name; }
  std::string Caption() const override {
    if (throw_on_read) throw std::runtime_error("control is gone");
    return caption;
  }
  void SetCaption(const std::string& text) override { caption = text; ++caption_sets; }
  std::string Hint() const override { return hint; }
  void SetHint(const std::string& text) override { hint = text; }
  std::vector<std::string> Items() const override { return items; }
  void SetItems(const std::vector<std::string>& lines) override {
    items = lines;
    item_index = -1;
  }
  void SetItemIndex(int index) override { item_index = index < static_cast<int>(items.size()) ? index : -1; }
  // A list box renames its items in place; the marks stay with them.
  void SetItemTexts(const std::vector<std::string>& lines) override {
    ++item_text_sets;
    for (size_t i = 0; i < lines.size() && i < items.size(); ++i) items[i] = lines[i];
  }
  bool SectionText(int index, std::string* text) const override {
    if (index < 0 || index >= static_cast<int>(sections.size())) return false;
    *text = sections[index];
    return true;
  }
  void SetSectionText(int index, const std::string& text) override {
    if (index >= 0 && index < static_cast<int>(sections.size())) sections[index] = text;
  }

  std::string name, class_name, caption, hint;
  std::vector<std::string> items;
  int item_index = -1;
  int item_text_sets = 0;
  std::vector<std::string> sections;
  bool throw_on_read = false;
  int caption_sets = 0;
};

struct FakeWindow : LanguageWindow {
  FakeWindow(std::string name, std::string class_name, std::string caption)
      : name(std::move(name)), class_name(std::move(class_name)), caption(std::move(caption)) {}
  std::string Name() const override { return name; }
  std::string ClassName() const override { return class_name; }
  std::string Caption() const override { return caption; }
  void SetCaption(const std::string& text) override { caption = text; }
  std::vector<LanguageControl*> Controls() override {
    std::vector<LanguageControl*> result;
    for (auto& c : controls) result.push_back(c.get());
    return result;
  }
  FakeControl& Add(std::string name, std::string class_name, std::string caption = {}, std::string hint = {}) {
    controls.push_back(std::make_unique<FakeControl>(std::move(name), std::move(class_name), std::move(caption),
                                                     std::move(hint)));
    return *controls.back();
  }
  FakeControl& Get(const std::string& control_name) {
    for (auto& c : controls)
      if (c->name == control_name) return *c;
    throw std::logic_error("no control " + control_name);
  }

  std::string name, class_name, caption;
  std::vector<std::unique_ptr<FakeControl>> controls;
};

// The windows of a small application: a main window with one control of each
// kind, a dialog, and an unnamed window that is never written.
struct Application {
  Application() {
    FakeWindow& main = Window("MainForm", "TMainForm", "Main window");
    main.Add("TitleLabel", "TLabel", "Welcome", "Read this");
    main.Add("NextButton", "TButton", "&Next >");
    main.Add("EmptyButton", "TButton", "", "hint without caption");
    main.Add("ProRadio", "TRadioButton", "Professional", "Pro hint");
    main.Add("Check", "TCheckBox", "Check me");
    main.Add("Box", "TGroupBox", "Group");
    main.Add("Page", "TDynPanel", "Page title");
    main.Add("Plain", "TPanel", "panel text");
    main.Add("NameEdit", "TEdit", "typed text");
    main.Add("Memo", "TMemo", "memo text");
    main.Add("Registry", "TAdvancedRegistry");
    FakeControl& combo = main.Add("Kind", "TComboBox", "", "pick one");
    combo.items = {"First", "Second"};
    FakeControl& header = main.Add("Header", "TAdvancedHeaderList");
    header.sections = {"Name", "Size"};
    FakeControl& list = main.Add("List", "TListView");
    list.sections = {"Column A", "Column B"};
    FakeControl& components = main.Add("Components", "TCheckListBox", "", "tick them");
    components.items = {"Mail", "Web", "Chat"};
    main.Add("EmptyList", "TListBox");
    Window("BrowseFolder", "TBrowseFolder", "");
    Window("", "TUnnamed", "Hidden").Add("Label", "TLabel", "not written");
  }
  FakeWindow& Window(std::string name, std::string class_name, std::string caption) {
    windows.push_back(std::make_unique<FakeWindow>(std::move(name), std::move(class_name), std::move(caption)));
    return *windows.back();
  }
  std::vector<LanguageWindow*> List() {
    std::vector<LanguageWindow*> result;
    for (auto& w : windows) result.push_back(w.get());
    return result;
  }
  FakeWindow& Main() { return *windows[0]; }
  std::vector<std::unique_ptr<FakeWindow>> windows;
};

std::string Document(Application& app, const MessageRegistry* messages, const std::string& extra = {}) {
  xmldoc::TXMLObject document;
  BuildLanguageDocument(CollectLanguage(app.List(), messages), extra, document);
  return document.GetXML(true);
}

void ApplyText(const std::string& text, Application& app, MessageRegistry* messages) {
  xmldoc::TXMLObject document;
  ASSERT_TRUE(document.ParseXML(text));
  ApplyLanguage(ReadLanguageDocument(document), app.List(), messages);
}

TEST(LanguageDocumentTest, ExportWritesEveryNamedWindowAndEveryTranslatableControlWithText) {
  Application app;
  EXPECT_EQ(Document(app, nullptr),
            "<APPLICATION><FORMS><FORM ID='TMainForm' CAPTION='Main window'>"
            "<ITEM ID='TitleLabel' CLASS='tlabel' CAPTION='Welcome' HINT='Read this'/>\r\n"
            "<ITEM ID='NextButton' CLASS='tbutton' CAPTION='&amp;Next &gt;'/>\r\n"
            "<ITEM ID='ProRadio' CLASS='tradiobutton' CAPTION='Professional' HINT='Pro hint'/>\r\n"
            "<ITEM ID='Check' CLASS='tcheckbox' CAPTION='Check me'/>\r\n"
            "<ITEM ID='Box' CLASS='tgroupbox' CAPTION='Group'/>\r\n"
            "<ITEM ID='Page' CLASS='tdynpanel' CAPTION='Page title'/>\r\n"
            "<ITEM ID='Kind' CLASS='tcombobox' ITEMSTEXT='First\r\nSecond\r\n' HINT='pick one'/>\r\n"
            "<ITEM ID='Header' CLASS='tadvancedheaderlist' ITEMSTEXT='Name\r\nSize\r\n'/>\r\n"
            "<ITEM ID='List' CLASS='tcustomlistview' ITEMSTEXT='Column A\r\nColumn B\r\n'/>\r\n"
            "<ITEM ID='Components' CLASS='tchecklistbox' ITEMSTEXT='Mail\r\nWeb\r\nChat\r\n' HINT='tick them'/>\r\n"
            "</FORM>\r\n"
            "<FORM ID='TBrowseFolder'/>\r\n"
            "</FORMS>\r\n"
            "</APPLICATION>\r\n");
}

TEST(LanguageDocumentTest, ClassNamesAreMappedInLowerCase) {
  EXPECT_EQ(KindOfComponentClass("TLabel"), LanguageKind::kCaption);
  EXPECT_EQ(KindOfComponentClass("TMENUITEM"), LanguageKind::kCaption);
  EXPECT_EQ(KindOfComponentClass("TTabSheet"), LanguageKind::kCaption);
  EXPECT_EQ(KindOfComponentClass("TComboBox"), LanguageKind::kComboItems);
  EXPECT_EQ(KindOfComponentClass("TMemo"), LanguageKind::kNone);
  for (const char* list : {"TCheckListBox", "TListBox", "TCHECKLISTBOX"})
    EXPECT_EQ(KindOfComponentClass(list), LanguageKind::kListItems) << list;
  EXPECT_EQ(ClassValueOf("TCheckListBox"), "tchecklistbox");
  EXPECT_EQ(ClassValueOf("TListBox"), "tlistbox");
  EXPECT_EQ(KindOfClassValue("tchecklistbox"), LanguageKind::kListItems);
  EXPECT_EQ(KindOfClassValue("TCheckListBox"), LanguageKind::kNone);
  for (const char* list : {"TCustomListView", "TListView", "TExtListViewManagement", "TdfsEnhListView",
                           "TdfsExtListView"}) {
    EXPECT_EQ(KindOfComponentClass(list), LanguageKind::kListColumns) << list;
    EXPECT_EQ(ClassValueOf(list), "tcustomlistview") << list;
  }
  EXPECT_EQ(ClassValueOf("TDynPanel"), "tdynpanel");
  EXPECT_EQ(ClassValueOf("TPanel"), "");
  // The file's CLASS value is compared exactly.
  EXPECT_EQ(KindOfClassValue("tlabel"), LanguageKind::kCaption);
  EXPECT_EQ(KindOfClassValue("TLabel"), LanguageKind::kNone);
  EXPECT_EQ(KindOfClassValue("tlistview"), LanguageKind::kNone);
}

TEST(LanguageDocumentTest, ListViewColumnsAreWrittenUpToSixteen) {
  Application app;
  FakeControl& list = app.Main().Get("List");
  list.sections.clear();
  for (int i = 0; i < 20; ++i) list.sections.push_back("c" + std::to_string(i));
  LanguageModel model = CollectLanguage(app.List(), nullptr);
  std::string expected;
  for (int i = 0; i < 16; ++i) expected += "c" + std::to_string(i) + "\r\n";
  ASSERT_EQ(model.forms[0].items[8].id, "List");
  EXPECT_EQ(model.forms[0].items[8].text, expected);
  // Header sections have no such limit.
  FakeControl& header = app.Main().Get("Header");
  header.sections = list.sections;
  model = CollectLanguage(app.List(), nullptr);
  EXPECT_EQ(std::count(model.forms[0].items[7].text.begin(), model.forms[0].items[7].text.end(), '\n'), 20)
      << model.forms[0].items[7].text;
}

TEST(LanguageDocumentTest, AttributeValuesAreCutBeforeAndAfterEncoding) {
  Application app;
  FakeWindow& main = app.Main();
  main.Get("TitleLabel").caption = std::string(300, 'a');
  main.Get("NextButton").caption = std::string(100, '&');  // 500 characters once encoded
  main.Get("ProRadio").caption = std::string(254, 'b') + "\xE9x";  // e acute takes two bytes in UTF-8
  xmldoc::TXMLObject document;
  BuildLanguageDocument(CollectLanguage(app.List(), nullptr), "", document);
  const xmldoc::TXMLObject& form = *document.Children()[0]->FindChild("FORMS")->Children()[0];
  EXPECT_EQ(form.Children()[0]->GetAttribute("CAPTION", false), std::string(255, 'a'));
  const std::string amps = form.Children()[1]->GetAttribute("CAPTION", false);
  EXPECT_EQ(amps.size(), 255u);
  EXPECT_EQ(amps.substr(0, 10), "&amp;&amp;");
  // Cut to 255 ("x" goes), then encoded to 256 bytes and cut again: half of the e acute stays.
  EXPECT_EQ(form.Children()[2]->GetAttribute("CAPTION", false), std::string(254, 'b') + "\xC3");
}

TEST(LanguageDocumentTest, MessagesAreWrittenInRegistrationOrderLongOnesAsContent) {
  Application app;
  std::string name = "Tarno", empty, long_text = std::string(200, 'x') + "\r\n" + std::string(100, 'y');
  std::string markup = std::string(250, 'm') + "<&>", exactly = std::string(255, 'e'), quote = "It's";
  MessageRegistry registry;
  RegisterMessage("cName", &name, registry);
  RegisterMessage("cEmpty", &empty, registry);
  RegisterMessage("cNotRunning", &long_text, registry);
  RegisterMessage("cMarkup", &markup, registry);
  RegisterMessage("cExactly", &exactly, registry);
  RegisterMessage("cQuote", &quote, registry);
  std::string padded = " \t" + std::string(260, 'p') + "\r\n";
  RegisterMessage("cPadded", &padded, registry);
  const std::string xml = Document(app, &registry, "<!-- extra & raw -->");
  const size_t strings = xml.find("<STRINGS>");
  ASSERT_NE(strings, std::string::npos) << xml;
  EXPECT_EQ(xml.substr(strings),
            "<STRINGS><ITEM ID='cname' VALUE='Tarno'/>\r\n"
            "<ITEM ID='cempty'/>\r\n"
            "<ITEM ID='cnotrunning'>" + long_text + "</ITEM>\r\n"
            "<ITEM ID='cmarkup'>" + std::string(250, 'm') + "&lt;&amp;&gt;</ITEM>\r\n"
            "<ITEM ID='cexactly' VALUE='" + exactly + "'/>\r\n"
            "<ITEM ID='cquote' VALUE='It&apos;s'/>\r\n"
            "<ITEM ID='cpadded'>&#32;&#9;" + std::string(260, 'p') + "&#13;&#10;</ITEM>\r\n"
            "</STRINGS>\r\n"
            "<!-- extra & raw --></APPLICATION>\r\n");
  // Without messages there is no STRINGS element at all.
  EXPECT_EQ(Document(app, nullptr).find("STRINGS"), std::string::npos);
}

TEST(LanguageDocumentTest, ImportAppliesCaptionsHintsAndItemsByExactNames) {
  Application app;
  ApplyText(
      "<?xml version='1.0'?>\r\n<APPLICATION><FORMS>"
      "<FORM ID='TMainForm' CAPTION='Hauptfenster'>"
      "<ITEM ID='TitleLabel' CLASS='tlabel' CAPTION='Willkommen' HINT='Lies das'/>"
      "<ITEM ID='NextButton' CLASS='tbutton' CAPTION='&amp;Weiter &gt;'/>"
      "<ITEM ID='ProRadio' CLASS='tradiobutton' HINT='Profi'/>"
      "<ITEM ID='check' CLASS='tcheckbox' CAPTION='wrong case of the name'/>"
      "<ITEM ID='Box' CLASS='TGroupBox' CAPTION='upper-case class'/>"
      "<ITEM ID='Page' CLASS='tcombobox' ITEMSTEXT='list for a caption' CAPTION='x'/>"
      "<ITEM ID='Kind' CLASS='tlabel' CAPTION='caption for a list'/>"
      "<ITEM ID='Plain' CLASS='tpanel' CAPTION='untranslated class'/>"
      "<ITEM ID='Kind' CLASS='tcombobox' ITEMSTEXT='Eins&#13;&#10;Zwei&#13;&#10;Drei&#13;&#10;' CAPTION='x'/>"
      "<ITEM ID='Header' CLASS='tadvancedheaderlist' ITEMSTEXT=' Name &#10;&#10;\tGroesse\r\n'/>"
      "<ITEM ID='List' CLASS='tcustomlistview' ITEMSTEXT='Spalte A'/>"
      "<ITEM ID='Missing' CLASS='tlabel' CAPTION='no such control'/>"
      "</FORM>"
      "<FORM ID='tbrowsefolder' CAPTION='wrong case of the class'/>"
      "</FORMS></APPLICATION>",
      app, nullptr);
  FakeWindow& main = app.Main();
  EXPECT_EQ(main.caption, "Hauptfenster");
  EXPECT_EQ(main.Get("TitleLabel").caption, "Willkommen");
  EXPECT_EQ(main.Get("TitleLabel").hint, "Lies das");
  EXPECT_EQ(main.Get("NextButton").caption, "&Weiter >");
  EXPECT_EQ(main.Get("NextButton").hint, "");
  // An item without CAPTION empties the caption.
  EXPECT_EQ(main.Get("ProRadio").caption, "");
  EXPECT_EQ(main.Get("ProRadio").hint, "Profi");
  EXPECT_EQ(main.Get("Check").caption, "Check me");
  EXPECT_EQ(main.Get("Box").caption, "Group");
  EXPECT_EQ(main.Get("Page").caption, "Page title");
  EXPECT_EQ(main.Get("Plain").caption, "panel text");
  EXPECT_EQ(main.Get("Kind").items, (std::vector<std::string>{"Eins", "Zwei", "Drei"}));
  EXPECT_EQ(main.Get("Kind").item_index, 0);
  EXPECT_EQ(main.Get("Kind").hint, "");
  EXPECT_EQ(main.Get("Kind").caption_sets, 0);
  EXPECT_EQ(main.Get("Header").sections, (std::vector<std::string>{"Name", "Groesse"}));
  EXPECT_EQ(main.Get("List").sections, (std::vector<std::string>{"Spalte A", "Column B"}));
  EXPECT_EQ(app.windows[1]->caption, "");
  // A window without a name is still found by its class when reading.
  ApplyText("<APPLICATION><FORMS><FORM ID='TUnnamed' CAPTION='Found'/></FORMS></APPLICATION>", app, nullptr);
  EXPECT_EQ(app.windows[2]->caption, "Found");
}

// A list box's items travel like a combo box's, but a translation only
// renames them: a check list's items stand for choices read by index, so
// their number stays whatever the file holds, and so does the selection.
TEST(LanguageDocumentTest, ListItemsAreRenamedInPlace) {
  Application app;
  FakeControl& components = app.Main().Get("Components");
  auto apply = [&app](const std::string& item) {
    ApplyText("<APPLICATION><FORMS><FORM ID='TMainForm' CAPTION='x'>" + item + "</FORM></FORMS></APPLICATION>", app,
              nullptr);
  };
  apply("<ITEM ID='Components' CLASS='tchecklistbox' ITEMSTEXT='Post&#13;&#10;Netz&#13;&#10;Plaudern&#13;&#10;' "
        "HINT='ankreuzen'/>");
  EXPECT_EQ(components.items, (std::vector<std::string>{"Post", "Netz", "Plaudern"}));
  EXPECT_EQ(components.hint, "ankreuzen");
  EXPECT_EQ(components.item_index, -1) << "the selection is not touched";

  apply("<ITEM ID='Components' CLASS='tchecklistbox' ITEMSTEXT='Mail&#10;Web'/>");
  EXPECT_EQ(components.items, (std::vector<std::string>{"Mail", "Web", "Plaudern"}))
      << "an item without a line keeps its text";
  EXPECT_EQ(components.hint, "");
  apply("<ITEM ID='Components' CLASS='tchecklistbox' ITEMSTEXT='A&#13;&#10;B&#13;&#10;C&#13;&#10;D&#13;&#10;'/>");
  EXPECT_EQ(components.items, (std::vector<std::string>{"A", "B", "C"})) << "a line beyond the last item is dropped";

  // The file's CLASS must name a list: a combo box's text or a caption does not rename it.
  const int sets = components.item_text_sets;
  apply("<ITEM ID='Components' CLASS='tcombobox' ITEMSTEXT='X&#10;Y&#10;Z'/>"
        "<ITEM ID='Components' CLASS='tlabel' CAPTION='X'/>"
        "<ITEM ID='Components' CLASS='TCheckListBox' ITEMSTEXT='X&#10;Y&#10;Z'/>");
  EXPECT_EQ(components.items, (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(components.item_text_sets, sets);
  EXPECT_EQ(components.caption_sets, 0);
  // ...and a list's text does not replace a combo box's items.
  apply("<ITEM ID='Kind' CLASS='tchecklistbox' ITEMSTEXT='X&#10;Y&#10;Z'/>");
  EXPECT_EQ(app.Main().Get("Kind").items, (std::vector<std::string>{"First", "Second"}));
}

TEST(LanguageDocumentTest, ImportSetsMessagesByLowerCaseKey) {
  Application app;
  std::string name = "Tarno", error = "Error", other = "unchanged";
  MessageRegistry registry;
  RegisterMessage("cName", &name, registry);
  RegisterMessage("cError", &error, registry);
  const std::string text =
      "<APPLICATION><STRINGS>"
      "<ITEM ID='CNAME' VALUE='Tarno &amp; Co'/>"
      "<ITEM ID='cerror'>  Fehler\r\nzweite Zeile &lt;x&gt; <ITEM ID='inner'/> </ITEM>"
      "<ITEM ID='cunknown' VALUE='ignored'/>"
      "</STRINGS></APPLICATION>";
  ApplyText(text, app, nullptr);
  EXPECT_EQ(name, "Tarno") << "messages are left alone when not included";
  ApplyText(text, app, &registry);
  EXPECT_EQ(name, "Tarno & Co");
  EXPECT_EQ(error, "Fehler\r\nzweite Zeile <x>");
  EXPECT_EQ(other, "unchanged");
  ApplyText("<APPLICATION><STRINGS><ITEM ID='cname'/></STRINGS></APPLICATION>", app, &registry);
  EXPECT_EQ(name, "") << "an item without VALUE or content empties the message";
}

TEST(LanguageDocumentTest, DocumentWithoutTheExpectedElementsChangesNothing) {
  Application app;
  std::string name = "Tarno";
  MessageRegistry registry;
  RegisterMessage("cName", &name, registry);
  ApplyText("<application><FORMS><FORM ID='TMainForm' CAPTION='x'/></FORMS></application>", app, &registry);
  ApplyText("<APPLICATION><FORM ID='TMainForm' CAPTION='x'/><ITEM ID='cname' VALUE='y'/></APPLICATION>", app,
            &registry);
  ApplyText("not a document at all", app, &registry);
  EXPECT_EQ(app.Main().caption, "Main window");
  EXPECT_EQ(name, "Tarno");
}

TEST(LanguageDocumentTest, ErrorWhileWalkingTheWindowsKeepsWhatWasCollected) {
  Application app;
  app.Main().Get("Check").throw_on_read = true;
  LanguageModel model = CollectLanguage(app.List(), nullptr);
  ASSERT_EQ(model.forms.size(), 1u) << "the walk should end at the failing control";
  ASSERT_EQ(model.forms[0].items.size(), 3u);
  EXPECT_EQ(model.forms[0].items[2].id, "ProRadio");
}

TEST(LanguageDocumentTest, FileRoundTripKeepsEveryTextIncludingLongMessagesAndAccents) {
  xmldoc::TestTempFile file("language_round_trip.lng");
  Application source;
  source.Main().caption = "Fen\xEAtre 'principale' <1>";
  source.Main().Get("TitleLabel").caption = "Bienvenue \xE0 \"vous\" & les autres";
  std::string name = "Tarno", long_text = "  " + std::string(150, 'l') + "\r\n%s\r\n" + std::string(150, 'r') + ".\r\n";
  MessageRegistry registry;
  RegisterMessage("cName", &name, registry);
  RegisterMessage("cNotRunning", &long_text, registry);
  ASSERT_TRUE(WriteLanguageFile(file.Name(), source.List(), &registry, ""));
  const std::string first = file.Read();

  Application target;
  target.Main().Get("TitleLabel").caption = "changed";
  target.Main().Get("Components").items = {"1", "2", "3"};
  std::string name2 = "x", long2 = "y";
  MessageRegistry registry2;
  RegisterMessage("cName", &name2, registry2);
  RegisterMessage("cNotRunning", &long2, registry2);
  ASSERT_TRUE(ReadLanguageFile(file.Name(), target.List(), &registry2));
  EXPECT_EQ(target.Main().caption, source.Main().caption);
  EXPECT_EQ(target.Main().Get("TitleLabel").caption, source.Main().Get("TitleLabel").caption);
  EXPECT_EQ(target.Main().Get("Kind").items, source.Main().Get("Kind").items);
  EXPECT_EQ(target.Main().Get("Components").items, source.Main().Get("Components").items);
  EXPECT_EQ(name2, "Tarno");
  EXPECT_EQ(long2, long_text);
  ASSERT_TRUE(WriteLanguageFile(file.Name(), target.List(), &registry2, ""));
  EXPECT_EQ(file.Read(), first);
}

TEST(LanguageDocumentTest, FilesThatCannotBeReadChangeNothing) {
  xmldoc::TestTempFile file("language_missing.lng");
  Application app;
  std::string name = "Tarno";
  MessageRegistry registry;
  RegisterMessage("cName", &name, registry);
  EXPECT_FALSE(ReadLanguageFile(file.Name(), app.List(), &registry)) << "missing file";
  EXPECT_FALSE(ReadLanguageFile("", app.List(), &registry));
  EXPECT_FALSE(WriteLanguageFile("", app.List(), &registry, ""));
  file.Write("");
  EXPECT_FALSE(ReadLanguageFile(file.Name(), app.List(), &registry)) << "empty file";
  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "<A>";
  file.Write("<APPLICATION><STRINGS><ITEM ID='cname' VALUE='x'/></STRINGS>" + deep);
  EXPECT_FALSE(ReadLanguageFile(file.Name(), app.List(), &registry)) << "nested past the parser's limit";
  EXPECT_EQ(name, "Tarno");
  // A folder of that name cannot be written.
  xmldoc::TestTempFile folder("language_folder");
  std::filesystem::create_directory(folder.Name());
  EXPECT_FALSE(WriteLanguageFile(folder.Name(), app.List(), &registry, ""));
}

TEST(LanguageDocumentTest, LineSplitting) {
  EXPECT_EQ(JoinItemLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
  EXPECT_EQ(JoinItemLines({}), "");
  EXPECT_EQ(SplitItemLines("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitItemLines("a\nb\rc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitItemLines(""), std::vector<std::string>{});
  EXPECT_EQ(SplitSectionTexts(" a \r\n\r\n\tb\x01\n"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SplitSectionTexts("x y"), std::vector<std::string>{"x y"});
}

}  // namespace
}  // namespace setup
