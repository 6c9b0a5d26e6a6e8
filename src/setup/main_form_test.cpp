// The main window as the installation and the pages use it, created in this
// test process (it needs the harness's display).
#include "setup/main_form.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <stdexcept>
#include <thread>

#include "messages/setup_messages.h"
#include "setup/shell_actions.h"
#include "setup/wizard_actions.h"
#include "ui/application.h"
#include "window_driver/window_driver.h"

namespace setup {
namespace {

class MainFormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::Application::Instance().Initialize();
    form_ = ui::Application::Instance().CreateForm<TMainForm>();
  }
  static TMainForm* form_;
};
TMainForm* MainFormTest::form_ = nullptr;

TEST_F(MainFormTest, WindowHasTheDesignedClientSizeAndClass) {
  RECT client{};
  ASSERT_TRUE(::GetClientRect(form_->handle(), &client));
  EXPECT_EQ(client.right, ui::Scale(455));
  EXPECT_EQ(client.bottom, ui::Scale(363));
  char name[64];
  ::GetClassNameA(form_->handle(), name, sizeof(name));
  EXPECT_STREQ(name, "TMainForm");
}

// The installation reports through the installing page: the step text and a
// bar of 12 steps.
TEST_F(MainFormTest, ProgressGoesToTheInstallingPage) {
  engine::InstallProgress& progress = *form_;
  progress.SetProgressText("Copying File:\r\nC:\\Tarno\\smtp.exe...");
  EXPECT_EQ(form_->InstallPanelText->Caption(), "Copying File:\r\nC:\\Tarno\\smtp.exe...");
  int before = form_->ProgressBar->Position();
  progress.StepProgress();
  progress.StepProgress();
  EXPECT_EQ(form_->ProgressBar->Position(), before + 2);
  EXPECT_EQ(form_->ProgressBar->Max(), 12);
  for (int i = 0; i < 20; ++i) progress.StepProgress();
  EXPECT_EQ(form_->ProgressBar->Position(), 12) << "a full bar stays full instead of starting over";
}

// Page set-up fronts one page and sets the buttons from the messages.
TEST_F(MainFormTest, PageSetUpShowsOnePageWithItsButtons) {
  form_->state.CurrentPage = 1;
  form_->SetupPage();
  EXPECT_TRUE(form_->Pages[1]->Visible());
  EXPECT_FALSE(form_->Pages[0]->Visible());
  EXPECT_FALSE(form_->Pages[0]->Enabled()) << "the neighbour of the page entered is disabled";
  EXPECT_EQ(form_->PageCaption->Caption(), "Software License Agreement");
  EXPECT_EQ(form_->NextButton->Caption(), "&Yes");
  EXPECT_EQ(form_->CloseButton->Caption(), "&No");
  EXPECT_TRUE(form_->BackButton->Visible());

  form_->state.CurrentPage = 6;
  form_->SetupPage();
  EXPECT_EQ(form_->PageCaption->Caption(), "Tarno Mail Server Installing");

  form_->state.CurrentPage = 0;
  form_->SetupPage();
  EXPECT_EQ(form_->PageCaption->Caption(), form_->AboutLabel->Caption());
  EXPECT_FALSE(form_->BackButton->Visible());
}

// An edition picks its usual console mode only while the edition may be
// chosen; on an upgrade the installation's mode stays.
TEST_F(MainFormTest, EditionChoiceSetsTheModeOnlyWhenSelectable) {
  form_->state.EditionSelectable = true;
  form_->TarnoProRadio->SetChecked(true);
  form_->TarnoStdRadio->SetChecked(true);
  EXPECT_TRUE(form_->BasicMode->Checked());
  EXPECT_FALSE(form_->TarnoProRadio->Checked()) << "radios of one group exclude each other";
  form_->AdvancedMode->SetChecked(true);
  EXPECT_TRUE(form_->TarnoStdRadio->Checked()) << "choosing a mode keeps the edition";
  EXPECT_EQ(form_->ConsoleMemo->Caption(), Messages().cHintAdvanced);

  form_->state.EditionSelectable = false;
  form_->TarnoLiteRadio->SetChecked(true);
  EXPECT_TRUE(form_->AdvancedMode->Checked()) << "a locked upgrade kept its mode";
  EXPECT_EQ(form_->HintPanel->Caption(), form_->TarnoLiteRadio->Hint());
  EXPECT_EQ(form_->SelectedEdition(), 2);
}

// ---- Navigation ------------------------------------------------------------

// The cursor a window answers when the mouse moves over it: the window is
// asked with WM_SETCURSOR, as the system asks it, after the cursor was set to
// one that no answer gives.
HCURSOR CursorAnsweredBy(HWND over) {
  ::SetCursor(::LoadCursorA(nullptr, IDC_CROSS));
  ::SendMessageA(over, WM_SETCURSOR, reinterpret_cast<WPARAM>(over), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  return ::GetCursor();
}
std::string CursorName(HCURSOR cursor) {
  if (cursor == ::LoadCursorA(nullptr, IDC_WAIT)) return "hourglass";
  if (cursor == ::LoadCursorA(nullptr, IDC_ARROW)) return "arrow";
  if (cursor == ::LoadCursorA(nullptr, IDC_CROSS)) return "cross (no answer)";
  return "other cursor";
}

// What the wizard handed over, as a double of the setup's actions records it.
class RecordingActions : public WizardActions {
 public:
  NewVersionInfo answer;
  int checks = 0;
  std::string checked_url, checked_tag;
  int installs = 0;
  bool install_throws = false;
  uint8_t page_during_install = 0xFF;
  bool next_enabled_during_install = true, back_enabled_during_install = true;
  bool hourglass_during_install = false;
  // The cursor answered while installing, over the window and over a control.
  std::string cursor_over_window_during_install, cursor_over_control_during_install;
  int post_install_runs = 0;
  uint8_t page_during_post_install = 0xFF;

  NewVersionInfo CheckNewVersion(const std::string& url, const std::string& product_tag) override {
    ++checks;
    checked_url = url;
    checked_tag = product_tag;
    return answer;
  }
  void InstallProduct(TMainForm& form) override {
    ++installs;
    page_during_install = form.state.CurrentPage;
    next_enabled_during_install = form.NextButton->Enabled();
    back_enabled_during_install = form.BackButton->Enabled();
    hourglass_during_install = ::GetCursor() == ::LoadCursorA(nullptr, IDC_WAIT);
    cursor_over_window_during_install = CursorName(CursorAnsweredBy(form.handle()));
    cursor_over_control_during_install = CursorName(CursorAnsweredBy(form.ProgressBar->handle()));
    if (install_throws) throw std::runtime_error("the installation failed");
  }
  void RunPostInstallActions(TMainForm& form) override {
    ++post_install_runs;
    page_during_post_install = form.state.CurrentPage;
  }
};

// The shell's open and the end of the program, recorded instead of done.
class RecordingShell : public ShellActions {
 public:
  struct Opened {
    HWND owner;
    std::string target;
  };
  std::vector<Opened> opened;
  int ends = 0;

  bool Open(HWND owner, const std::string& target) override {
    opened.push_back({owner, target});
    return true;
  }
  void EndProgram() override { ++ends; }
  void EndProgramNow(unsigned exit_code) override { exit_codes.push_back(exit_code); }
  std::vector<unsigned> exit_codes;
};

// Answers the first message box of this process with `caption` that appears
// within `timeout`, from a thread of its own (the box runs its own message
// loop on the thread that asked). Joined on destruction.
class BoxAnswerer {
 public:
  BoxAnswerer(std::string caption, int button, driver::Milliseconds timeout)
      : thread_([this, caption, button, timeout] {
          try {
            HWND box = driver::WaitForMessageBox(::GetCurrentProcessId(), caption, timeout);
            if (box == nullptr) return;
            seen_ = driver::ReadMessageBox(box);
            driver::AnswerMessageBox(box, button);
          } catch (const std::exception& e) {
            error_ = e.what();
          }
        }) {}
  ~BoxAnswerer() { Join(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  // The box that was answered, once joined.
  const std::optional<driver::MessageBoxInfo>& seen() const { return seen_; }
  const std::string& error() const { return error_; }

 private:
  std::optional<driver::MessageBoxInfo> seen_;
  std::string error_;
  std::thread thread_;
};

// What another process reads from a list box (the window driver's reads are
// for windows of other threads; these are sent from the list's own thread).
LRESULT ListItemData(HWND list, int index) { return ::SendMessageA(list, LB_GETITEMDATA, index, 0); }
std::vector<std::string> ListItemTexts(HWND list) {
  std::vector<std::string> texts;
  LRESULT count = ::SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::string text(static_cast<size_t>(::SendMessageA(list, LB_GETTEXTLEN, i, 0)) + 1, '\0');
    LRESULT n = ::SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    texts.push_back(text);
  }
  return texts;
}

class WizardNavigationTest : public MainFormTest {
 protected:
  void SetUp() override {
    previous_ = SetWizardActions(&actions_);
    previous_shell_ = SetShellActions(&shell_);
    form_->state.ResetFlags();
    form_->state.ProductsXmlUrl = "http://products.example.test/products.xml";
    form_->CheckLatest->SetChecked(false);
    form_->NameEdit->SetCaption("Ann Admin");
    form_->EmailEdit->SetCaption("ann@example.test");
    GoTo(0);
  }
  void TearDown() override {
    SetWizardActions(previous_);
    SetShellActions(previous_shell_);
  }

  // Shows `page` as if the wizard had arrived there.
  void GoTo(uint8_t page) {
    form_->state.CurrentPage = page;
    form_->SetupPage();
  }
  void Next() { form_->NextButton->Click(); }
  void Back() { form_->BackButton->Click(); }

  // Only `page` of the eight panels is shown.
  void ExpectOnlyPage(uint8_t page) {
    EXPECT_EQ(form_->state.CurrentPage, page);
    for (size_t i = 0; i < form_->Pages.size(); ++i)
      EXPECT_EQ(form_->Pages[i]->Visible(), i == page) << "panel " << i << " with page " << int(page) << " current";
    if (page < form_->Pages.size()) {
      EXPECT_TRUE(form_->Pages[page]->Enabled()) << "page " << int(page);
    }
  }

  RecordingActions actions_;
  WizardActions* previous_ = nullptr;
  RecordingShell shell_;
  ShellActions* previous_shell_ = nullptr;
};

// Next walks the pages one at a time; each page has its title and buttons,
// the installing page runs the installation once and moves on by itself, and
// the last step runs the post-install actions.
TEST_F(WizardNavigationTest, NextWalksEveryPageWithItsButtons) {
  ExpectOnlyPage(0);
  EXPECT_FALSE(form_->BackButton->Visible());

  Next();
  ExpectOnlyPage(1);
  EXPECT_EQ(form_->PageCaption->Caption(), "Software License Agreement");
  EXPECT_EQ(form_->NextButton->Caption(), "&Yes");
  EXPECT_EQ(form_->CloseButton->Caption(), "&No");
  EXPECT_TRUE(form_->BackButton->Visible());
  EXPECT_TRUE(form_->NextButton->Enabled());
  EXPECT_EQ(actions_.checks, 0) << "CheckLatest is unchecked: no new-version check";

  Next();
  ExpectOnlyPage(2);
  EXPECT_EQ(form_->PageCaption->Caption(), "User/Company Details");
  EXPECT_EQ(form_->NextButton->Caption(), "&Next >");
  EXPECT_EQ(form_->CloseButton->Caption(), "&Cancel");
  EXPECT_TRUE(form_->NextButton->Enabled()) << "name and e-mail are complete";
  EXPECT_FALSE(form_->Pages[1]->Enabled()) << "the page left is disabled";

  Next();
  ExpectOnlyPage(3);
  EXPECT_EQ(form_->PageCaption->Caption(), "Server Type && Console Mode");
  EXPECT_TRUE(form_->NextButton->Enabled());

  Next();
  ExpectOnlyPage(4);
  EXPECT_EQ(form_->PageCaption->Caption(), "Components To Install");

  Next();
  ExpectOnlyPage(5);
  EXPECT_EQ(form_->PageCaption->Caption(), "Start The Installation Process");
  EXPECT_EQ(form_->NextButton->Caption(), "&Install >");
  EXPECT_TRUE(form_->BackButton->Visible());
  EXPECT_TRUE(form_->BackButton->Enabled());
  EXPECT_EQ(actions_.installs, 0);

  Next();
  EXPECT_EQ(actions_.installs, 1) << "the installing page runs the installation once";
  EXPECT_EQ(actions_.page_during_install, 6);
  EXPECT_FALSE(actions_.next_enabled_during_install) << "Next stays disabled while installing";
  EXPECT_FALSE(actions_.back_enabled_during_install) << "Back stays disabled while installing";
  EXPECT_TRUE(actions_.hourglass_during_install) << "the hourglass shows while installing";
  EXPECT_EQ(actions_.cursor_over_window_during_install, "hourglass") << "the mouse moving over the window";
  EXPECT_EQ(actions_.cursor_over_control_during_install, "hourglass") << "the mouse moving over a control";
  EXPECT_EQ(CursorName(::GetCursor()), "arrow") << "the cursor is restored after installing";
  EXPECT_FALSE(form_->Busy());
  EXPECT_EQ(CursorName(CursorAnsweredBy(form_->NextButton->handle())), "arrow")
      << "the mouse moving over the finish page's button after installing";
  ExpectOnlyPage(7);
  EXPECT_EQ(form_->PageCaption->Caption(), "Setup Complete");
  EXPECT_EQ(form_->NextButton->Caption(), "&Finish");
  EXPECT_TRUE(form_->NextButton->Enabled());
  EXPECT_FALSE(form_->BackButton->Visible());
  EXPECT_FALSE(form_->BackButton->Enabled());
  EXPECT_EQ(actions_.post_install_runs, 0);

  Next();
  EXPECT_EQ(actions_.post_install_runs, 1);
  EXPECT_EQ(actions_.page_during_post_install, 8);
  EXPECT_EQ(form_->PageCaption->Caption(), "Installation Wizard");
  EXPECT_FALSE(form_->NextButton->Enabled()) << "nothing lies beyond page 8";
  EXPECT_TRUE(form_->Pages[7]->Visible()) << "the finish page stays in view while the actions run";
  EXPECT_FALSE(form_->Pages[7]->Enabled());
  EXPECT_EQ(actions_.installs, 1);
}

TEST_F(WizardNavigationTest, BackGoesOnePageBack) {
  GoTo(3);
  Back();
  ExpectOnlyPage(2);
  Back();
  ExpectOnlyPage(1);
  Back();
  ExpectOnlyPage(0);
  EXPECT_FALSE(form_->BackButton->Visible()) << "no way back from the first page";
  EXPECT_EQ(actions_.installs, 0);
}

// An error escaping the installation is no success: its cause in the error
// box, the program ends with exit code 1, and the finish page is not shown.
TEST_F(WizardNavigationTest, AnInstallationErrorEndsWithTheErrorBox) {
  actions_.install_throws = true;
  GoTo(5);
  {
    BoxAnswerer answerer("Error", IDOK, driver::Milliseconds(10000));
    Next();
    answerer.Join();
    ASSERT_TRUE(answerer.seen().has_value()) << "no error box; " << answerer.error();
    EXPECT_NE(answerer.seen()->text.find("the installation failed"), std::string::npos)
        << driver::Describe(*answerer.seen());
  }
  EXPECT_EQ(actions_.installs, 1);
  EXPECT_EQ(shell_.exit_codes, std::vector<unsigned>{1});
  EXPECT_EQ(form_->state.CurrentPage, 6) << "the finish page must not say the installation was successful";
  EXPECT_EQ(actions_.post_install_runs, 0);
  EXPECT_EQ(actions_.cursor_over_control_during_install, "hourglass");
}

// An upgrade over an existing configuration needs neither the tutorial nor
// the installation wizard.
TEST_F(WizardNavigationTest, FinishPageOverAnExistingConfiguration) {
  form_->state.ConfigPresentAtDestination = true;
  GoTo(5);
  Next();
  ExpectOnlyPage(7);
  EXPECT_FALSE(form_->ShowTutorial->Checked());
  EXPECT_FALSE(form_->RunTutorial->Checked());
  EXPECT_FALSE(form_->RunTutorial->Enabled());
  EXPECT_FALSE(form_->RunConfig->Checked()) << "the other actions keep their design";
  EXPECT_FALSE(form_->ViewReleaseNotes->Checked());
  // Put the design back for the other tests of this window.
  form_->ShowTutorial->SetChecked(true);
  form_->RunTutorial->SetChecked(true);
  form_->RunTutorial->SetEnabled(true);
}

// The components page shows the exclusion flags, the install page reads them
// back, and going back shows the choice as it was read.
TEST_F(WizardNavigationTest, ComponentChoiceRoundTrip) {
  ui::TCheckListBox& list = *form_->ComponentList;
  ASSERT_EQ(list.Items(), (std::vector<std::string>{"Mail Services (SMTP, POP3, IMAP, LDAP, HTTP, FTP)", "WebMail",
                                                    "Anti-Spam", "Anti-Virus", "Instant Messaging", "GroupWare"}));
  EXPECT_EQ(ListItemTexts(list.handle()), list.Items()) << "the list box holds the items' texts";

  form_->state.NoInstallAV = true;
  form_->state.NoInstallCalendar = true;
  GoTo(3);
  Next();
  ASSERT_EQ(form_->state.CurrentPage, 4);
  const bool expected[] = {true, true, true, false, true, false};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(list.Checked(i), expected[i]) << "item " << i;
    EXPECT_EQ(ListItemData(list.handle(), i), expected[i] ? 1 : 0) << "item data of item " << i;
    EXPECT_EQ(list.ItemEnabled(i), i != 0) << "item " << i;
  }
  EXPECT_EQ(list.ItemIndex(), 0);

  // The mail services cannot be deselected; the others toggle.
  list.Toggle(0);
  EXPECT_TRUE(list.Checked(0));
  list.Toggle(2);  // Anti-Spam off
  list.Toggle(3);  // Anti-Virus on
  Next();
  ASSERT_EQ(form_->state.CurrentPage, 5);
  EXPECT_FALSE(form_->state.NoInstallWebMail);
  EXPECT_TRUE(form_->state.NoInstallIAS);
  EXPECT_FALSE(form_->state.NoInstallAV);
  EXPECT_FALSE(form_->state.NoInstallIM);
  EXPECT_TRUE(form_->state.NoInstallCalendar);

  Back();
  ASSERT_EQ(form_->state.CurrentPage, 4);
  const bool after[] = {true, true, false, true, true, false};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(list.Checked(i), after[i]) << "item " << i << " after going back";
}

// The user toggles an item by clicking its check box or pressing Space; a
// click on the text only selects, and the first item never toggles.
TEST_F(WizardNavigationTest, ComponentListAnswersMouseAndSpace) {
  GoTo(3);
  Next();
  ui::TCheckListBox& list = *form_->ComponentList;
  HWND window = list.handle();
  int clicks = 0;
  list.OnClick = [&clicks](ui::Control&) { ++clicks; };
  auto press_at = [window](int index, int x) {
    RECT item{};
    ::SendMessageA(window, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
    LPARAM at = MAKELPARAM(x, (item.top + item.bottom) / 2);
    ::SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(window, WM_LBUTTONUP, 0, at);
  };
  press_at(1, ui::Scale(6));
  EXPECT_FALSE(list.Checked(1)) << "a click on the check box of WebMail unchecks it";
  EXPECT_EQ(ListItemData(window, 1), 0);
  EXPECT_EQ(list.ItemIndex(), 1) << "the click also selects the item";
  press_at(4, ui::Scale(200));
  EXPECT_TRUE(list.Checked(4)) << "a click on the text does not toggle";
  EXPECT_EQ(list.ItemIndex(), 4);
  ::SendMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_FALSE(list.Checked(4)) << "Space toggles the selected item";
  press_at(0, ui::Scale(6));
  EXPECT_TRUE(list.Checked(0)) << "the mail services stay checked";
  ::SendMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_TRUE(list.Checked(0));
  EXPECT_EQ(clicks, 2) << "OnClick fires for each toggle and nothing else";
  list.OnClick = nullptr;
}

// Entering the licence page with CheckLatest checked asks the product list;
// a newer version is offered, the same or an older one is not.
TEST_F(WizardNavigationTest, NewVersionCheckOnTheLicencePage) {
  form_->CheckLatest->SetChecked(true);
  actions_.answer = {true, "http://www.example.test/download", "8.3.8", "2026-01-01"};
  {
    BoxAnswerer answerer("", IDCANCEL, driver::Milliseconds(1500));
    Next();
    answerer.Join();
    EXPECT_FALSE(answerer.seen().has_value()) << "asked for the same version: " << driver::Describe(*answerer.seen());
  }
  EXPECT_EQ(actions_.checks, 1);
  EXPECT_EQ(actions_.checked_url, "http://products.example.test/products.xml");
  EXPECT_EQ(actions_.checked_tag, "TM");
  ExpectOnlyPage(1);

  // Back from the user details page repeats the check.
  actions_.answer.latest_version = "8.3.9";
  Next();
  ASSERT_EQ(form_->state.CurrentPage, 2);
  {
    BoxAnswerer answerer("Question", IDNO, driver::Milliseconds(10000));
    Back();
    answerer.Join();
    ASSERT_TRUE(answerer.seen().has_value()) << "no question for 8.3.9; " << answerer.error();
    const driver::MessageBoxInfo& box = *answerer.seen();
    EXPECT_EQ(box.text,
              "There is new Tarno Mail Server 8.3.9 version on the Internet. It is suggested to download and use "
              "the latest version instead. Do you want to download it now?")
        << driver::Describe(box);
    EXPECT_EQ(box.icon, driver::MessageBoxIcon::kQuestion) << driver::Describe(box);
    EXPECT_EQ(box.ButtonIds(), (std::vector<int>{IDYES, IDNO, IDCANCEL})) << driver::Describe(box);
  }
  EXPECT_EQ(actions_.checks, 2);
  ExpectOnlyPage(1);

  // A failed or empty answer, or an older version, shows nothing.
  for (NewVersionInfo answer : {NewVersionInfo{false, "http://x.test/", "9.0.0", ""},
                                NewVersionInfo{true, "http://x.test/", "", ""},
                                NewVersionInfo{true, "http://x.test/", "8.2.10", ""}}) {
    actions_.answer = answer;
    GoTo(2);
    BoxAnswerer answerer("", IDCANCEL, driver::Milliseconds(1000));
    Back();
    answerer.Join();
    EXPECT_FALSE(answerer.seen().has_value())
        << "ok " << answer.ok << " latest '" << answer.latest_version << "': " << driver::Describe(*answerer.seen());
  }
  EXPECT_EQ(actions_.checks, 5);

  form_->CheckLatest->SetChecked(false);
  GoTo(2);
  Back();
  EXPECT_EQ(actions_.checks, 5) << "no check with CheckLatest unchecked";
}

// Yes to a newer version opens its download address with the shell and ends
// the program; No and Cancel go on with the licence page. Only a web address
// is ever opened, whatever the product list names.
TEST_F(WizardNavigationTest, NewerVersionYesOpensTheDownloadAndEnds) {
  form_->CheckLatest->SetChecked(true);
  actions_.answer = {true, "https://www.example.test/download/tarno-8.4.0.exe", "8.4.0", ""};
  for (int answer : {IDNO, IDCANCEL}) {
    GoTo(0);
    BoxAnswerer answerer("Question", answer, driver::Milliseconds(10000));
    Next();
    answerer.Join();
    ASSERT_TRUE(answerer.seen().has_value()) << "no question; " << answerer.error();
    EXPECT_TRUE(shell_.opened.empty()) << driver::ButtonName(answer) << " opened " << shell_.opened[0].target;
    EXPECT_EQ(shell_.ends, 0) << driver::ButtonName(answer) << " ended the program";
    ExpectOnlyPage(1);
  }

  {
    GoTo(0);
    BoxAnswerer answerer("Question", IDYES, driver::Milliseconds(10000));
    Next();
    answerer.Join();
    ASSERT_TRUE(answerer.seen().has_value()) << "no question; " << answerer.error();
  }
  ASSERT_EQ(shell_.opened.size(), 1u);
  EXPECT_EQ(shell_.opened[0].target, "https://www.example.test/download/tarno-8.4.0.exe");
  EXPECT_EQ(shell_.opened[0].owner, form_->handle());
  EXPECT_EQ(shell_.ends, 1) << "Yes ends the program";

  for (const char* address : {"file:///C:/Windows/notepad.exe", "C:\\Windows\\notepad.exe", "https:///download",
                              "http://www.example.test/a b", ""}) {
    shell_.opened.clear();
    shell_.ends = 0;
    actions_.answer.download_url = address;
    GoTo(0);
    BoxAnswerer answerer("Question", IDYES, driver::Milliseconds(10000));
    Next();
    answerer.Join();
    ASSERT_TRUE(answerer.seen().has_value()) << "no question for '" << address << "'; " << answerer.error();
    EXPECT_TRUE(shell_.opened.empty()) << "'" << address << "' was opened";
    EXPECT_EQ(shell_.ends, 1) << "Yes ends the program also when the address is not opened ('" << address << "')";
  }
  form_->CheckLatest->SetChecked(false);
}

// The user details check decides Next on page 2, and only there.
TEST_F(WizardNavigationTest, UserDetailsGovernNextOnPage2) {
  struct Case {
    const char* name;
    const char* email;
    bool complete;
  } cases[] = {
      {"A", "a@b.c", true},          {"Ann", "ann@example.test", true}, {" Ann ", "x@y.z", true},
      {"   ", "a@b.c", false},       {"", "a@b.c", false},              {"Ann", "ab.c", false},
      {"Ann", "@b.c", false},        {"Ann", "a@", false},              {"Ann", "a@b.", false},
      {"Ann", "a.b@c", false},       {"Ann", "", false},
  };
  GoTo(2);
  for (const Case& c : cases) {
    form_->NameEdit->SetCaption(c.name);
    form_->EmailEdit->SetCaption(c.email);
    EXPECT_EQ(form_->NextButton->Enabled(), c.complete) << "name '" << c.name << "' e-mail '" << c.email << "'";
  }
  // Entering the page applies the check too.
  form_->NameEdit->SetCaption("Ann");
  form_->EmailEdit->SetCaption("ann@");
  GoTo(1);
  Next();
  EXPECT_FALSE(form_->NextButton->Enabled());

  Back();
  Back();
  ASSERT_EQ(form_->state.CurrentPage, 0);
  form_->EmailEdit->SetCaption("x");
  EXPECT_TRUE(form_->NextButton->Enabled()) << "the first page's Next does not depend on the details";
}

TEST(WebAddressTest, OnlyHttpAndHttpsAddressesWithAHost) {
  EXPECT_TRUE(IsWebAddress("http://www.example.test/download"));
  EXPECT_TRUE(IsWebAddress("HTTPS://www.example.test/"));
  EXPECT_TRUE(IsWebAddress("https://x"));
  EXPECT_FALSE(IsWebAddress(""));
  EXPECT_FALSE(IsWebAddress("http://"));
  EXPECT_FALSE(IsWebAddress("https:///path"));
  EXPECT_FALSE(IsWebAddress("file:///C:/Windows/notepad.exe"));
  EXPECT_FALSE(IsWebAddress("C:\\Windows\\notepad.exe"));
  EXPECT_FALSE(IsWebAddress("ftp://www.example.test/"));
  EXPECT_FALSE(IsWebAddress("xhttp://www.example.test/"));
  EXPECT_FALSE(IsWebAddress("http://www.example.test/ -x"));
}

}  // namespace
}  // namespace setup
