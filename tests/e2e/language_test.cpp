// The language file "setup.lng" as a translator meets it: setup.exe writes
// it with the export switch and ends, and a translated file beside the
// program changes what the wizard shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "messages/setup_messages.h"
#include "setup_fixture.h"
#include "xmldoc/xml_object.h"

namespace e2e {
namespace {

using driver::Milliseconds;

constexpr char kCompanyKey[] = "Software\\Cordane";
constexpr char kProductKey[] = "Software\\Cordane\\Tarno Mail Server";

class LanguageTest : public ::testing::Test {
 protected:
  SavedKey company_{HKEY_LOCAL_MACHINE, kCompanyKey};

  // Runs setup.exe `arguments` in `run`'s folder and expects the export to
  // end the program with exit code 0 without showing any window; returns the
  // written file.
  static std::string Export(SetupRun& run, const std::string& arguments) {
    std::string lng = run.dist() + "setup.lng";
    ::DeleteFileA(run.log_path().c_str());  // the log of this run only
    if (!run.Start(arguments)) return {};
    bool window_seen = false;
    driver::WaitUntil(
        [&] {
          if (driver::FindTopLevelWindow({"", "", run.process().id(), true}) != nullptr) window_seen = true;
          return !run.process().IsRunning();
        },
        Milliseconds(20000));
    EXPECT_FALSE(window_seen) << "setup.exe " << arguments << " showed a window while exporting";
    std::optional<DWORD> code = run.process().WaitForExit(Milliseconds(1000));
    EXPECT_TRUE(code.has_value()) << "setup.exe " << arguments << " did not end; log:\n" << run.Log();
    if (code) {
      EXPECT_EQ(*code, 0u) << "setup.exe " << arguments;
    }
    EXPECT_EQ(run.Log().find("start-up: PreviousInstallDir="), std::string::npos)
        << "the wizard's start-up ran after the export";
    return ReadFile(lng);
  }

  static const xmldoc::TXMLObject* Form(const xmldoc::TXMLObject& forms, const std::string& id) {
    for (const auto& form : forms.Children())
      if (form->GetAttribute("ID", true) == id) return form.get();
    return nullptr;
  }
  static const xmldoc::TXMLObject* Item(const xmldoc::TXMLObject* form, const std::string& id) {
    if (form == nullptr) return nullptr;
    for (const auto& item : form->Children())
      if (item->GetAttribute("ID", true) == id) return item.get();
    return nullptr;
  }
  static std::string CaptionOf(const xmldoc::TXMLObject* form, const std::string& id) {
    const xmldoc::TXMLObject* item = Item(form, id);
    return item == nullptr ? "<missing>" : item->GetAttribute("CAPTION", true);
  }
};

TEST_F(LanguageTest, ExportSwitchWritesEveryWindowControlAndMessageAndEnds) {
  SetupRun run;
  ASSERT_EQ(::GetFileAttributesA((run.dist() + "setup.lng").c_str()), INVALID_FILE_ATTRIBUTES);
  const std::string text = Export(run, "/exportlanguage");
  ASSERT_FALSE(text.empty()) << "no setup.lng written; log:\n" << run.Log();
  EXPECT_EQ(text.rfind("<APPLICATION><FORMS><FORM ID='TMainForm'", 0), 0u) << text.substr(0, 200);
  EXPECT_NE(text.find("<ITEM ID='NextButton' CLASS='tbutton' CAPTION='&amp;Next &gt;'/>\r\n"), std::string::npos);

  xmldoc::TXMLObject document;
  ASSERT_TRUE(document.ParseXML(text));
  ASSERT_EQ(document.Children().size(), 1u);
  const xmldoc::TXMLObject& application = *document.Children()[0];
  ASSERT_EQ(application.Name(), "APPLICATION");
  const xmldoc::TXMLObject* forms = application.FindChild("FORMS");
  ASSERT_NE(forms, nullptr);

  // The three windows in creation order.
  std::vector<std::string> ids;
  for (const auto& form : forms->Children()) {
    EXPECT_EQ(form->Name(), "FORM");
    ids.push_back(form->GetAttribute("ID", true));
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"TMainForm", "TBrowseFolder", "TWizardForm"}));

  // Every item is a translatable control with a text, in lower-case class.
  const std::set<std::string> classes = {"tlabel", "tradiobutton", "tbutton", "tcheckbox", "tdynpanel",
                                         "tgroupbox", "tcombobox", "tchecklistbox"};
  const std::set<std::string> item_lists = {"tcombobox", "tchecklistbox"};
  for (const auto& form : forms->Children()) {
    for (const auto& item : form->Children()) {
      const std::string id = item->GetAttribute("ID", true);
      EXPECT_EQ(item->Name(), "ITEM");
      EXPECT_TRUE(classes.count(item->GetAttribute("CLASS", true))) << id << " " << item->GetAttribute("CLASS", true);
      const std::string shown = item_lists.count(item->GetAttribute("CLASS", true))
                                    ? item->GetAttribute("ITEMSTEXT", true)
                                    : item->GetAttribute("CAPTION", true);
      EXPECT_FALSE(shown.empty()) << id << " has no text";
      ASSERT_FALSE(item->Attributes().empty());
      EXPECT_EQ(item->Attributes()[0].Name, "ID");
      EXPECT_EQ(item->Attributes()[1].Name, "CLASS") << id;
    }
  }
  const xmldoc::TXMLObject* main = Form(*forms, "TMainForm");
  EXPECT_EQ(CaptionOf(main, "BackButton"), "< &Back");
  EXPECT_EQ(CaptionOf(main, "AboutLabel"), "Welcome to the Tarno Mail Server Setup Wizard");
  EXPECT_EQ(CaptionOf(main, "TarnoProRadio"), "Professional Suite");
  EXPECT_EQ(CaptionOf(main, "CheckLatest"), "Check for new version on the Internet");
  EXPECT_EQ(CaptionOf(main, "FolderBox"), "Destination Directory");
  EXPECT_EQ(CaptionOf(main, "PathEdit"), "Tarno\\");
  EXPECT_EQ(CaptionOf(main, "RunTutorial"), "Run Installation Wizard");
  ASSERT_NE(Item(main, "ComponentList"), nullptr);
  EXPECT_EQ(Item(main, "ComponentList")->GetAttribute("CLASS", true), "tchecklistbox");
  EXPECT_EQ(Item(main, "ComponentList")->GetAttribute("ITEMSTEXT", true),
            "Mail Services (SMTP, POP3, IMAP, LDAP, HTTP, FTP)\r\nWebMail\r\nAnti-Spam\r\nAnti-Virus\r\n"
            "Instant Messaging\r\nGroupWare\r\n");
  ASSERT_NE(Item(main, "TarnoProRadio"), nullptr);
  EXPECT_EQ(Item(main, "TarnoProRadio")->GetAttribute("CLASS", true), "tradiobutton");
  // Controls without a text, and controls of classes the file does not know.
  for (const char* absent : {"SetupKindLabel", "InstallPanelText", "HintPanel", "ConsoleMemo", "NameEdit",
                             "LicenseMemo", "ProgressBar", "ImageLogo", "TopPanel", "WelcomePanel"})
    EXPECT_EQ(Item(main, absent), nullptr) << absent << " should not be written";
  EXPECT_EQ(CaptionOf(Form(*forms, "TBrowseFolder"), "OKButton"), "&OK");
  EXPECT_EQ(CaptionOf(Form(*forms, "TWizardForm"), "NextButton"), "Next >");

  // All 70 messages in table order with their defaults.
  const xmldoc::TXMLObject* strings = application.FindChild("STRINGS");
  ASSERT_NE(strings, nullptr);
  const auto& table = setup::MessageTable();
  ASSERT_EQ(strings->Children().size(), table.size());
  ASSERT_EQ(table.size(), 70u);
  for (size_t i = 0; i < table.size(); ++i) {
    const xmldoc::TXMLObject& item = *strings->Children()[i];
    EXPECT_EQ(item.GetAttribute("ID", false), setup::LowerCaseAscii(table[i].key)) << i;
    const std::string value = item.Text().empty() ? item.GetAttribute("VALUE", true) : item.GetText(true);
    EXPECT_EQ(value, table[i].default_text) << table[i].key;
    // Texts of more than 255 characters go into the content.
    EXPECT_EQ(item.Text().empty(), std::string(table[i].default_text).size() <= 255) << table[i].key;
  }
  EXPECT_NE(text.find("<ITEM ID='csetuptype' VALUE='Server Type &amp;&amp; Console Mode'/>\r\n"),
            std::string::npos);
  const std::string end = "</STRINGS>\r\n</APPLICATION>\r\n";
  EXPECT_EQ(text.substr(text.size() - std::min(text.size(), end.size())), end);

  // The switch in its other spelling writes the same file.
  SetupRun dash;
  EXPECT_EQ(Export(dash, "-ExportLanguage"), text);
}

// A translated file: window texts by exact names, messages by lower-case
// key, and a long message that survives a refresh export whole.
TEST_F(LanguageTest, TranslatedFileChangesTheWizardAndSurvivesARefresh) {
  const std::string long_text = "Diese Dienste konnten nicht starten:\r\n%s\r\n" + std::string(240, 'x') + " <Ende>.";
  SetupRun run;
  WriteFile(run.dist() + "setup.lng",
            "<APPLICATION><FORMS>\r\n"
            "<FORM ID='TMainForm' CAPTION='Replaced by the start-up'>\r\n"
            "<ITEM ID='TextLabel' CLASS='tlabel' CAPTION='Willkommen &amp; viel Spa&#223;' HINT='Lies das'/>\r\n"
            "<ITEM ID='TipALabel' CLASS='tlabel'/>\r\n"
            "<ITEM ID='TarnoProRadio' CLASS='tradiobutton' CAPTION='Profi-Suite' HINT='Profi-Hinweis'/>\r\n"
            "<ITEM ID='CheckLatest' CLASS='TCheckBox' CAPTION='class in the wrong case'/>\r\n"
            "<ITEM ID='checklatest' CLASS='tcheckbox' CAPTION='name in the wrong case'/>\r\n"
            "<ITEM ID='HintPanel' CLASS='tmemo' CAPTION='not a translated class'/>\r\n"
            "</FORM>\r\n"
            "<FORM ID='tmainform'><ITEM ID='TipBLabel' CLASS='tlabel' CAPTION='window class in the wrong case'/></FORM>\r\n"
            "<FORM ID='TBrowseFolder' CAPTION='Ordner'/>\r\n"
            "</FORMS>\r\n<STRINGS>\r\n"
            "<ITEM ID='CNAME' VALUE='Tarno Mailserver'/>\r\n"
            "<ITEM ID='cPSetup' VALUE='%s %s Installation'/>\r\n"
            "<ITEM ID='cnext' VALUE='&amp;Weiter &gt;'/>\r\n"
            "<ITEM ID='chintpro' VALUE='Profi-Version'/>\r\n"
            "<ITEM ID='cnotrunning'>" + std::string("Diese Dienste konnten nicht starten:\r\n%s\r\n") +
                std::string(240, 'x') + " &lt;Ende&gt;.</ITEM>\r\n"
            "<ITEM ID='cnosuchkey' VALUE='ignored'/>\r\n"
            "</STRINGS></APPLICATION>\r\n");
  ASSERT_TRUE(run.Start("/SILENT"));
  const std::string caption = "Tarno Mailserver 8.3.8 Installation";
  HWND main = driver::WaitForWindow({"TMainForm", caption, run.process().id(), true});
  ASSERT_NE(main, nullptr) << "no main window \"" << caption << "\"; log:\n" << run.Log();
  auto text_of = [&](const char* name) { return driver::Text(run.Control(main, name)); };
  EXPECT_EQ(text_of("TextLabel"), "Willkommen & viel Spa\xDF");
  EXPECT_EQ(text_of("TipALabel"), "") << "an item without CAPTION empties the label";
  EXPECT_EQ(text_of("TipBLabel"),
            "Click Cancel to quit Setup and then close any programs you have running. Click Next to continue "
            "with the Setup program.");
  EXPECT_EQ(text_of("TarnoProRadio"), "Profi-Suite");
  EXPECT_EQ(text_of("CheckLatest"), "Check for new version on the Internet");
  EXPECT_EQ(text_of("NextButton"), "&Weiter >");
  EXPECT_EQ(text_of("HintPanel"), "Profi-Version");
  EXPECT_EQ(text_of("AboutLabel"), "Welcome to the Tarno Mail Server Setup Wizard");
  run.process().Terminate();

  // A refresh over the translated file keeps every translation, the long
  // message whole; a second refresh writes the same file again.
  const std::string refreshed = Export(run, "/EXPORTLANGUAGE");
  ASSERT_FALSE(refreshed.empty()) << run.Log();
  EXPECT_NE(refreshed.find("<ITEM ID='cnotrunning'>Diese Dienste konnten nicht starten:\r\n%s\r\n" +
                           std::string(240, 'x') + " &lt;Ende&gt;.</ITEM>\r\n"),
            std::string::npos)
      << refreshed;
  EXPECT_NE(refreshed.find("<ITEM ID='cname' VALUE='Tarno Mailserver'/>"), std::string::npos);
  EXPECT_NE(refreshed.find("<ITEM ID='cpsetup' VALUE='%s %s Installation'/>"), std::string::npos);
  EXPECT_NE(refreshed.find("<ITEM ID='TarnoProRadio' CLASS='tradiobutton' CAPTION='Profi-Suite' HINT='Profi-Hinweis'/>"),
            std::string::npos)
      << "the radio button's translated hint was not applied";
  EXPECT_NE(refreshed.find("<ITEM ID='TextLabel' CLASS='tlabel' CAPTION='Willkommen &amp; viel Spa\xC3\x9F' "
                           "HINT='Lies das'/>"),
            std::string::npos);
  EXPECT_EQ(refreshed.find("<ITEM ID='TipALabel'"), std::string::npos) << "an emptied label is no longer written";
  EXPECT_NE(refreshed.find("<FORM ID='TBrowseFolder' CAPTION='Ordner'>"), std::string::npos);
  EXPECT_EQ(refreshed.find("wrong case"), std::string::npos);
  // The emptied label is not in the refreshed file, so the next run keeps its
  // designed text and writes it again; everything else stays as it was.
  std::string again = Export(run, "/exportlanguage");
  const size_t tip = again.find("<ITEM ID='TipALabel' CLASS='tlabel' CAPTION='It is strongly recommended");
  ASSERT_NE(tip, std::string::npos) << again;
  again.erase(tip, again.find("\r\n", tip) + 2 - tip);
  EXPECT_EQ(again, refreshed);

  // And the long message read back is the whole text.
  xmldoc::TXMLObject document;
  ASSERT_TRUE(document.ParseXML(refreshed));
  const xmldoc::TXMLObject* strings = document.Children()[0]->FindChild("STRINGS");
  ASSERT_NE(strings, nullptr);
  bool found = false;
  for (const auto& item : strings->Children()) {
    if (item->GetAttribute("ID", false) != "cnotrunning") continue;
    found = true;
    EXPECT_EQ(item->GetText(true), long_text);
  }
  EXPECT_TRUE(found);
}

// The component list travels in the file like a combo box: a translator
// renames the components in an exported file, and the components page shows
// the new names, each in its place, with the choices read from the registry;
// a choice made there is kept when the page is left and entered again.
TEST_F(LanguageTest, TranslatedComponentNamesKeepTheirChoices) {
  SetupRun run;
  const std::string exported = Export(run, "/exportlanguage");
  const std::string line_start = "<ITEM ID='ComponentList' CLASS='tchecklistbox' ITEMSTEXT='";
  const size_t line = exported.find(line_start);
  ASSERT_NE(line, std::string::npos) << exported;
  const size_t line_end = exported.find("\r\n", line);
  ASSERT_NE(line_end, std::string::npos);
  const std::vector<std::string> names = {"Maildienste (SMTP, POP3, IMAP, LDAP, HTTP, FTP)", "Web-Mail",
                                          "Spamschutz", "Virenschutz", "Sofortnachrichten", "Gruppenarbeit"};
  std::string translated = line_start;
  for (const std::string& name : names) translated += name + "&#13;&#10;";
  translated += "' HINT='Was installiert wird'/>";
  WriteFile(run.dist() + "setup.lng",
            exported.substr(0, line) + translated + exported.substr(line_end));

  WriteDword(HKEY_LOCAL_MACHINE, kProductKey, "NoInstallAV", 1);
  WriteDword(HKEY_LOCAL_MACHINE, kProductKey, "NoInstallCalendar", 1);
  ASSERT_TRUE(run.Start("/SILENT"));
  HWND main = run.WaitForMainWindow();
  ASSERT_NE(main, nullptr) << "no main window; log:\n" << run.Log();
  auto control = [&](const char* name) { return run.Control(main, name); };
  auto next_to = [&](const char* panel) {
    driver::Click(control("NextButton"));
    return driver::WaitUntil([&] { return driver::IsVisible(control(panel)); });
  };
  ASSERT_TRUE(next_to("LicensePanel"));
  ASSERT_TRUE(next_to("CredentialsPanel"));
  driver::SetText(control("NameEdit"), "Ann Admin");
  driver::SetText(control("EmailEdit"), "ann@example.test");
  ASSERT_TRUE(driver::WaitUntil([&] { return driver::IsEnabled(control("NextButton")); }));
  ASSERT_TRUE(next_to("SetupTypePanel"));
  ASSERT_TRUE(next_to("SetupComponents"));

  // Each item's data is its check mark, as the page set it from the flags.
  HWND list = control("ComponentList");
  auto marks = [&] {
    std::string text;
    for (int i = 0; i < driver::ItemCount(list); ++i) text += driver::ItemData(list, i) ? '1' : '0';
    return text;
  };
  EXPECT_TRUE(driver::WaitUntil([&] { return marks() == "111010"; })) << "marks " << marks();
  EXPECT_EQ(driver::Items(list), names);
  EXPECT_EQ(driver::SelectedIndex(list), 0);

  // Space on the selected item toggles it: WebMail off.
  driver::SelectItem(list, 1);
  driver::PressKey(list, VK_SPACE);
  EXPECT_TRUE(driver::WaitUntil([&] { return marks() == "101010"; })) << "marks " << marks();
  ASSERT_TRUE(next_to("InstallPanel"));
  driver::Click(control("BackButton"));
  ASSERT_TRUE(driver::WaitUntil([&] { return driver::IsVisible(control("SetupComponents")); }));
  EXPECT_TRUE(driver::WaitUntil([&] { return driver::SelectedIndex(list) == 0; }));
  EXPECT_EQ(marks(), "101010") << "the choice read on the destination page, shown again";
  EXPECT_EQ(driver::Items(list), names);
  run.process().Terminate();

  // A refresh writes the translated names back.
  const std::string refreshed = Export(run, "/exportlanguage");
  xmldoc::TXMLObject document;
  ASSERT_TRUE(document.ParseXML(refreshed));
  const xmldoc::TXMLObject* item = Item(Form(*document.Children()[0]->FindChild("FORMS"), "TMainForm"), "ComponentList");
  ASSERT_NE(item, nullptr) << refreshed;
  std::string expected;
  for (const std::string& name : names) expected += name + "\r\n";
  EXPECT_EQ(item->GetAttribute("ITEMSTEXT", true), expected);
  EXPECT_EQ(item->GetAttribute("HINT", true), "Was installiert wird");
}

}  // namespace
}  // namespace e2e
