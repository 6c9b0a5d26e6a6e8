// The first-run configuration window, created in this test process (it needs
// the harness's display). Page rules are driven through the handlers and the
// edits' own change notifications; the modal runs from a second thread with
// the window driver, as a user would.
#include "setup/wizard_form.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <thread>

#include "support/modal_script.h"
#include "ui/application.h"
#include "window_driver/window_driver.h"

namespace setup {
namespace {

class WizardFormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::Application& app = ui::Application::Instance();
    app.Initialize();
    // A main window stands in for the setup's, as at program start: closing
    // the wizard must not end the program.
    app.CreateForm<ui::Form>("TestMainForm", "TWizardFormTestMain", 200, 100, ui::Form::Frame::kSingle);
    wizard_ = app.CreateForm<TWizardForm>();
  }
  void SetUp() override {
    wizard_->OtherEdit->SetCaption("");
    wizard_->FormShow();
    wizard_->modal_result = 0;
  }
  // Types into an edit: the edit itself tells the window of the change.
  static void Type(ui::TEdit* edit, const std::string& text) { ::SetWindowTextA(edit->handle(), text.c_str()); }
  static bool NextEnabled() { return ::IsWindowEnabled(wizard_->NextButton->handle()) != FALSE; }
  static std::string Title() { return wizard_->TopMenuLabel->Caption(); }
  static bool Shown(ui::Control* panel) {
    return (::GetWindowLongA(panel->handle(), GWL_STYLE) & WS_VISIBLE) != 0;
  }
  // The one panel shown, for failure messages and checks.
  static std::string ShownPanels() {
    std::string names;
    for (ui::Control* p : {wizard_->NamePanel, wizard_->OtherPanel, wizard_->EmailPanel, wizard_->FinishPanel})
      if (Shown(p)) names += p->name() + " ";
    return names;
  }

  static TWizardForm* wizard_;
};
TWizardForm* WizardFormTest::wizard_ = nullptr;

TEST_F(WizardFormTest, WindowIsTheDesignedDialog) {
  HWND window = wizard_->handle();
  char class_name[64] = "";
  ::GetClassNameA(window, class_name, sizeof(class_name));
  EXPECT_STREQ(class_name, "TWizardForm");
  EXPECT_EQ(wizard_->Caption(), "Wizard");
  EXPECT_NE(::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0) << "dialog border";
  EXPECT_TRUE(wizard_->key_preview);
  RECT client{}, r{}, work{};
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right, ui::Scale(544));
  EXPECT_EQ(client.bottom, ui::Scale(367));
  ::GetWindowRect(window, &r);
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_LE(std::abs((r.left + r.right) - (work.left + work.right)), 2) << "centred horizontally";
  EXPECT_LE(std::abs((r.top + r.bottom) - (work.top + work.bottom)), 2) << "centred vertically";

  EXPECT_TRUE(wizard_->TopMenuLabel->bold);
  EXPECT_EQ(wizard_->NamePanel->Hint(), "Host Name");
  EXPECT_EQ(wizard_->OtherPanel->Hint(), "Primary Domain");
  EXPECT_EQ(wizard_->EmailPanel->Hint(), "Administrator");
  EXPECT_EQ(wizard_->FinishPanel->Hint(), "Wizard Complete");
  EXPECT_EQ(wizard_->Get<ui::TLabel>("NameText").Caption(),
            "Enter the hostname of the mail server computer. It must not be blank. ");
  EXPECT_EQ(wizard_->Get<ui::TLabel>("OtherText").Caption(), "Enter the name of the primary domain.");
  EXPECT_EQ(wizard_->Get<ui::TLabel>("EmailText").Caption(),
            "Enter the username and password of the primary domain administrator. ");
  EXPECT_EQ(wizard_->Get<ui::TLabel>("FinishText").Caption(),
            "You have successfully entered all of the information to setup your account.\r\n\r\n"
            "To save these settings, click Finish.");
  EXPECT_EQ(wizard_->Get<ui::TLabel>("NameCaption").Caption(), "Hostname:");
  EXPECT_EQ(wizard_->Get<ui::TLabel>("OtherCaption").Caption(), "Domain:");
  EXPECT_EQ(wizard_->Get<ui::TLabel>("EmailCaption").Caption(), "Username:");
  EXPECT_EQ(wizard_->Get<ui::TLabel>("EmailExample").Caption(), "For example: administrator");
  EXPECT_EQ(wizard_->Get<ui::TLabel>("PassCaption").Caption(), "Password:");

  EXPECT_EQ(wizard_->NameEdit->tag, 0);
  EXPECT_EQ(wizard_->EmailEdit->tag, 1);
  EXPECT_EQ(wizard_->PassEdit->tag, 1);
  EXPECT_EQ(wizard_->OtherEdit->tag, 2);
  EXPECT_EQ(::SendMessageA(wizard_->PassEdit->handle(), EM_GETPASSWORDCHAR, 0, 0), '*') << "password masked";

  EXPECT_EQ(wizard_->PreviousButton->Caption(), "< Back");
  EXPECT_EQ(wizard_->NextButton->Caption(), "Next >");
  EXPECT_EQ(wizard_->CancelButton->Caption(), "Cancel");
  LRESULT def = ::SendMessageA(window, DM_GETDEFID, 0, 0);
  EXPECT_EQ(HIWORD(def), DC_HASDEFID);
  EXPECT_EQ(static_cast<int>(LOWORD(def)), ::GetDlgCtrlID(wizard_->NextButton->handle())) << "Next is the default";
}

// Showing starts on page 0 with host name, user name and password emptied;
// the domain keeps its text.
TEST_F(WizardFormTest, ShowStartsOverAndKeepsTheDomain) {
  Type(wizard_->NameEdit, "mail");
  Type(wizard_->OtherEdit, "example.com");
  Type(wizard_->EmailEdit, "admin");
  Type(wizard_->PassEdit, "secret");
  wizard_->WizardPage = 2;
  wizard_->FormShow();
  EXPECT_EQ(wizard_->WizardPage, 0);
  EXPECT_EQ(wizard_->NameEdit->Caption(), "");
  EXPECT_EQ(wizard_->EmailEdit->Caption(), "");
  EXPECT_EQ(wizard_->PassEdit->Caption(), "");
  EXPECT_EQ(wizard_->OtherEdit->Caption(), "example.com");
  EXPECT_EQ(Title(), "Host Name");
  EXPECT_EQ(ShownPanels(), "NamePanel ");
  EXPECT_FALSE(wizard_->PreviousButton->Enabled());
  EXPECT_FALSE(NextEnabled()) << "an empty host name";
}

// The page titles are kept in the panels' hints; they do not pop up as tooltips.
TEST_F(WizardFormTest, PageTitleIsNoTooltip) {
  HWND tooltip = nullptr;
  for (HWND w = ::FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr); w != nullptr;
       w = ::FindWindowExA(nullptr, w, TOOLTIPS_CLASSA, nullptr))
    if (::GetWindow(w, GW_OWNER) == wizard_->handle()) tooltip = w;
  ASSERT_NE(tooltip, nullptr) << "the window has its tooltip";
  TOOLINFOA info{};
  info.cbSize = sizeof(info);
  info.hwnd = wizard_->handle();
  info.uId = reinterpret_cast<UINT_PTR>(wizard_->NamePanel->handle());
  EXPECT_FALSE(::SendMessageA(tooltip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info)));
  EXPECT_EQ(wizard_->NamePanel->Hint(), "Host Name") << "the hint stays";
}

// Page 0: Next follows the host name; blanks count as a name.
TEST_F(WizardFormTest, HostNamePageNeedsAName) {
  EXPECT_FALSE(NextEnabled());
  Type(wizard_->NameEdit, "m");
  EXPECT_TRUE(NextEnabled()) << "one character enables Next";
  Type(wizard_->NameEdit, "");
  EXPECT_FALSE(NextEnabled());
  Type(wizard_->NameEdit, "  ");
  EXPECT_TRUE(NextEnabled()) << "only emptiness is checked here";

  Type(wizard_->NameEdit, "");
  wizard_->NextButtonClick();
  EXPECT_EQ(wizard_->WizardPage, 0) << "a disabled Next (as Enter would press it) does not move on";
}

// Page 1 needs the domain, page 2 the user name but not the password.
TEST_F(WizardFormTest, DomainAndAdministratorPagesNeedTheirFields) {
  Type(wizard_->NameEdit, "mail.example.com");
  wizard_->NextButtonClick();
  ASSERT_EQ(wizard_->WizardPage, 1);
  EXPECT_EQ(Title(), "Primary Domain");
  EXPECT_EQ(ShownPanels(), "OtherPanel ");
  EXPECT_TRUE(wizard_->PreviousButton->Enabled());
  EXPECT_FALSE(NextEnabled()) << "an empty domain";
  Type(wizard_->OtherEdit, "example.com");
  EXPECT_TRUE(NextEnabled());

  wizard_->NextButtonClick();
  ASSERT_EQ(wizard_->WizardPage, 2);
  EXPECT_EQ(Title(), "Administrator");
  EXPECT_EQ(ShownPanels(), "EmailPanel ");
  EXPECT_FALSE(NextEnabled()) << "an empty user name";
  Type(wizard_->PassEdit, "secret");
  EXPECT_FALSE(NextEnabled()) << "a password without a user name";
  Type(wizard_->EmailEdit, "administrator");
  EXPECT_TRUE(NextEnabled());
  Type(wizard_->PassEdit, "");
  EXPECT_TRUE(NextEnabled()) << "the password may be empty";
  Type(wizard_->EmailEdit, "");
  EXPECT_FALSE(NextEnabled());
}

// Back from page 2 shows the domain entered before; the host name remains.
TEST_F(WizardFormTest, BackKeepsTheTexts) {
  Type(wizard_->NameEdit, "mail.example.com");
  wizard_->NextButtonClick();
  Type(wizard_->OtherEdit, "example.com");
  wizard_->NextButtonClick();
  ASSERT_EQ(wizard_->WizardPage, 2);
  wizard_->PreviousButtonClick();
  EXPECT_EQ(wizard_->WizardPage, 1);
  EXPECT_EQ(ShownPanels(), "OtherPanel ");
  EXPECT_EQ(wizard_->OtherEdit->Caption(), "example.com");
  EXPECT_TRUE(NextEnabled()) << "the domain is still there";
  wizard_->PreviousButtonClick();
  EXPECT_EQ(wizard_->WizardPage, 0);
  EXPECT_EQ(ShownPanels(), "NamePanel ") << "the domain page no longer lies behind the host name page";
  EXPECT_EQ(wizard_->NameEdit->Caption(), "mail.example.com");
  EXPECT_FALSE(wizard_->PreviousButton->Enabled());
  wizard_->PreviousButtonClick();
  EXPECT_EQ(wizard_->WizardPage, 0) << "no page before the first";
}

// The finish page has no way back; Finish ends with the OK result.
TEST_F(WizardFormTest, FinishGivesTheOkResult) {
  Type(wizard_->NameEdit, "mail.example.com");
  wizard_->NextButtonClick();
  Type(wizard_->OtherEdit, "example.com");
  wizard_->NextButtonClick();
  Type(wizard_->EmailEdit, "administrator");
  wizard_->NextButtonClick();
  ASSERT_EQ(wizard_->WizardPage, 3);
  EXPECT_EQ(Title(), "Wizard Complete");
  EXPECT_EQ(ShownPanels(), "FinishPanel ");
  EXPECT_EQ(wizard_->NextButton->Caption(), "&Finish");
  EXPECT_FALSE(wizard_->PreviousButton->Visible());
  EXPECT_EQ(wizard_->modal_result, 0);
  wizard_->NextButtonClick();
  EXPECT_EQ(wizard_->WizardPage, 4);
  EXPECT_EQ(wizard_->modal_result, IDOK);
  wizard_->NextButtonClick();
  EXPECT_EQ(wizard_->WizardPage, 4) << "done stays done";
}

// A user walks the shown window: the host name has the focus, Enter on an
// empty field does nothing, Finish answers IDOK with what was typed.
TEST_F(WizardFormTest, UserWalksToFinish) {
  wizard_->OtherEdit->SetCaption("preset.example");
  int result = 0;
  RunModal(*wizard_, [&] {
    HWND window = driver::WaitForWindow({"TWizardForm", "Wizard", ::GetCurrentProcessId()});
    ASSERT_NE(window, nullptr) << "the wizard was not shown";
    HWND name = driver::RequireControl(window, "NameEdit");
    HWND next = driver::RequireControl(window, "NextButton");
    EXPECT_TRUE(driver::WaitUntil([&] { return driver::FocusedControl(window) == name; }))
        << "focused: " << driver::Describe(driver::FocusedControl(window));
    EXPECT_FALSE(driver::IsEnabled(next));
    driver::PressKey(window, VK_RETURN);
    // A key typed after Enter is handled after it: once it shows, Enter was seen.
    driver::PressKey(window, 'M');
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::Text(name) == "m"; })) << driver::Text(name);
    EXPECT_EQ(driver::Text(driver::RequireControl(window, "TopMenuLabel")), "Host Name")
        << "Enter with an empty host name stays on page 0";
    driver::SetText(name, "mail.example.com");
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::IsEnabled(next); }));
    driver::PressKey(window, VK_RETURN);  // the default button
    HWND domain = driver::RequireControl(window, "OtherEdit");
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::FocusedControl(window) == domain; }));
    EXPECT_EQ(driver::Text(domain), "preset.example");
    driver::Click(next);
    HWND user = driver::RequireControl(window, "EmailEdit");
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::FocusedControl(window) == user; }));
    driver::SetText(user, "administrator");
    driver::SetText(driver::RequireControl(window, "PassEdit"), "secret");
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::IsEnabled(next); }));
    driver::Click(next);
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::Text(next) == "&Finish"; }));
    EXPECT_FALSE(driver::IsVisible(driver::RequireControl(window, "PreviousButton")));
    driver::Click(next);
    EXPECT_TRUE(driver::WaitForWindowGone(window));
  }, [&] { result = wizard_->ShowModal(); });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(wizard_->NameEdit->Caption(), "mail.example.com");
  EXPECT_EQ(wizard_->OtherEdit->Caption(), "preset.example");
  EXPECT_EQ(wizard_->EmailEdit->Caption(), "administrator");
  EXPECT_EQ(wizard_->PassEdit->Caption(), "secret");
}

// Escape and Cancel end the window with the cancel result on any page; so
// does the close box. Shown again, the window starts over on page 0.
TEST_F(WizardFormTest, EscapeCancelAndCloseBoxCancelOnAnyPage) {
  enum class Way { kEscape, kCancelButton, kCloseBox };
  for (int page = 0; page <= 3; ++page) {
    for (Way way : {Way::kEscape, Way::kCancelButton, Way::kCloseBox}) {
      SCOPED_TRACE("page " + std::to_string(page) + ", way " + std::to_string(static_cast<int>(way)));
      int result = 0;
      RunModal(*wizard_, [&] {
        HWND window = driver::WaitForWindow({"TWizardForm", "Wizard", ::GetCurrentProcessId()});
        ASSERT_NE(window, nullptr) << "the wizard was not shown";
        HWND title = driver::RequireControl(window, "TopMenuLabel");
        ASSERT_TRUE(driver::WaitUntil([&] { return driver::Text(title) == "Host Name"; }))
            << "shown again, the window starts on page 0: " << driver::Text(title);
        HWND next = driver::RequireControl(window, "NextButton");
        const char* fields[] = {"NameEdit", "OtherEdit", "EmailEdit"};
        for (int p = 0; p < page; ++p) {
          driver::SetText(driver::RequireControl(window, fields[p]), "x");
          ASSERT_TRUE(driver::WaitUntil([&] { return driver::IsEnabled(next); }));
          std::string before = driver::Text(title);
          driver::Click(next);
          ASSERT_TRUE(driver::WaitUntil([&] { return driver::Text(title) != before; }));
        }
        switch (way) {
          case Way::kEscape:
            driver::PressKey(window, VK_ESCAPE);
            break;
          case Way::kCancelButton:
            driver::Click(driver::RequireControl(window, "CancelButton"));
            break;
          case Way::kCloseBox:
            driver::Close(window);
            break;
        }
        EXPECT_TRUE(driver::WaitForWindowGone(window));
      }, [&] { result = wizard_->ShowModal(); });
      EXPECT_EQ(result, IDCANCEL);
    }
  }
}

}  // namespace
}  // namespace setup
