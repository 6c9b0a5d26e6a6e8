// The wizard's pages as the administrator walks them in setup.exe: the
// cancel question on the first pages, the licence page's Yes and No, and the
// user details that let the wizard go on. The product's own new-version check
// of this build answers "not successful", so entering the licence page asks
// nothing whether CheckLatest is checked or not.
#include <gtest/gtest.h>

#include "setup_fixture.h"
#include "support/test_files.h"

namespace e2e {
namespace {

class WizardTest : public ::testing::Test {
 protected:
  SavedKey company_{HKEY_LOCAL_MACHINE, "Software\\Cordane"};
  SetupRun run_;
  HWND main_ = nullptr;

  void SetUp() override {
    ASSERT_TRUE(run_.Start("/SILENT")) << run_.process().error();
    main_ = run_.WaitForMainWindow();
    ASSERT_NE(main_, nullptr) << "no main window; log:\n" << run_.Log();
    ASSERT_TRUE(WaitForPage("WelcomePanel")) << driver::DescribeTree(main_);
  }

  HWND Control(const std::string& name) { return run_.Control(main_, name); }
  std::string TextOf(const std::string& name) { return driver::Text(Control(name)); }

  bool WaitForPage(const std::string& panel) { return e2e::WaitForPage(main_, panel); }

  // Clicks Next and waits for `panel`.
  void NextTo(const std::string& panel) {
    driver::Click(Control("NextButton"));
    ASSERT_TRUE(WaitForPage(panel)) << "Next did not lead to " << panel << "\n" << driver::DescribeTree(main_);
  }

  // Escape asks the cancel question; No leaves the wizard on `panel`.
  void EscapeAndStay(const std::string& panel) {
    std::string title = TextOf("PageCaption");
    driver::PressKey(main_, VK_ESCAPE);
    HWND box = driver::WaitForMessageBox(run_.process().id(), "Exit Setup");
    ASSERT_NE(box, nullptr) << "no cancel question on " << panel;
    driver::MessageBoxInfo info = driver::ReadMessageBox(box);
    EXPECT_EQ(info.text, "Do you wish to cancel this installation?") << driver::Describe(info);
    EXPECT_EQ(info.icon, driver::MessageBoxIcon::kQuestion) << driver::Describe(info);
    EXPECT_EQ(info.ButtonIds(), (std::vector<int>{IDYES, IDNO})) << driver::Describe(info);
    driver::AnswerMessageBox(box, IDNO);
    ASSERT_TRUE(driver::WaitForWindowGone(box));
    EXPECT_TRUE(run_.process().IsRunning()) << "No ended the program on " << panel;
    EXPECT_TRUE(driver::IsVisible(Control(panel))) << "No left " << panel;
    EXPECT_EQ(TextOf("PageCaption"), title) << "on " << panel;
  }
};

// Escape on the welcome, licence and user details pages asks whether to
// cancel; No keeps the page, and the wizard still moves on afterwards.
TEST_F(WizardTest, EscapeAsksAndNoKeepsThePage) {
  EscapeAndStay("WelcomePanel");
  NextTo("LicensePanel");
  EscapeAndStay("LicensePanel");
  NextTo("CredentialsPanel");
  EscapeAndStay("CredentialsPanel");
  EXPECT_TRUE(run_.process().IsRunning());
}

// The licence page answers with Yes and No; Back returns to the welcome page.
TEST_F(WizardTest, LicencePageHasYesAndNo) {
  HWND check = Control("CheckLatest");
  EXPECT_TRUE(driver::IsChecked(check)) << "the new-version check is offered by default";
  NextTo("LicensePanel");
  EXPECT_EQ(TextOf("PageCaption"), "Software License Agreement");
  EXPECT_EQ(TextOf("NextButton"), "&Yes");
  EXPECT_EQ(TextOf("CloseButton"), "&No");
  EXPECT_TRUE(driver::IsEnabled(Control("NextButton")));
  EXPECT_TRUE(driver::IsVisible(Control("BackButton")));
  EXPECT_EQ(driver::WaitForMessageBox(run_.process().id(), "", driver::Milliseconds(500)), nullptr)
      << "a box came up although this build's new-version check has no answer";

  driver::Click(Control("BackButton"));
  ASSERT_TRUE(WaitForPage("WelcomePanel"));
  EXPECT_FALSE(driver::IsVisible(Control("BackButton")));
  EXPECT_EQ(TextOf("NextButton"), "&Next >");
  EXPECT_EQ(TextOf("CloseButton"), "&Cancel");
}

// Next on the user details page waits for a name and a complete e-mail address.
TEST_F(WizardTest, TypingNameAndEmailEnablesNext) {
  NextTo("LicensePanel");
  NextTo("CredentialsPanel");
  HWND next = Control("NextButton");
  EXPECT_FALSE(driver::IsEnabled(next)) << "a fresh installation starts with empty details";
  driver::SetText(Control("NameEdit"), "Ann Admin");
  EXPECT_FALSE(driver::IsEnabled(next)) << "the e-mail address is still missing";
  driver::SetText(Control("EmailEdit"), "ann@example");
  EXPECT_FALSE(driver::IsEnabled(next)) << "an address without a dot after the @";
  driver::SetText(Control("EmailEdit"), "ann@example.test");
  EXPECT_TRUE(driver::WaitUntil([&] { return driver::IsEnabled(next); })) << driver::Describe(next);
  driver::SetText(Control("NameEdit"), "   ");
  EXPECT_TRUE(driver::WaitUntil([&] { return !driver::IsEnabled(next); })) << "a blank name";
  driver::SetText(Control("NameEdit"), "Ann Admin");
  ASSERT_TRUE(driver::WaitUntil([&] { return driver::IsEnabled(next); }));
  NextTo("SetupTypePanel");
  EXPECT_EQ(TextOf("PageCaption"), "Server Type && Console Mode");
}

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

// Browse on the destination page: a folder that does not exist is asked
// about; Yes hands it to the wizard as typed, still not created.
TEST_F(WizardTest, BrowseReturnsAFolderThatDoesNotExistYet) {
  NextTo("LicensePanel");
  NextTo("CredentialsPanel");
  driver::SetText(Control("NameEdit"), "Ann Admin");
  driver::SetText(Control("EmailEdit"), "ann@example.test");
  ASSERT_TRUE(driver::WaitUntil([&] { return driver::IsEnabled(Control("NextButton")); }));
  NextTo("SetupTypePanel");
  NextTo("SetupComponents");
  NextTo("InstallPanel");
  EXPECT_EQ(TextOf("PathEdit"), "C:\\Program Files\\Tarno\\");

  driver::Click(Control("BrowseButton"));
  HWND browser = driver::WaitForWindow({"TBrowseFolder", "Choose Folder", run_.process().id(), true});
  ASSERT_NE(browser, nullptr) << "no folder browser";
  const std::string folder = TempFolder("tarno-browse") + "not there yet";
  driver::SetText(driver::RequireControl(browser, "PathEdit"), folder);
  driver::Click(driver::RequireControl(browser, "OKButton"));
  HWND box = driver::WaitForMessageBox(run_.process().id(), "Setup");
  ASSERT_NE(box, nullptr) << "no existence question";
  EXPECT_EQ(driver::MessageBoxText(box), "The Folder:\r\n\r\n'" + folder +
                                             "'\r\n\r\ndoes not exist. Do you want the folder to be created?");
  driver::AnswerMessageBox(box, IDYES);
  EXPECT_TRUE(driver::WaitForWindowGone(browser)) << "Yes should close the browser";
  EXPECT_TRUE(driver::WaitUntil([&] { return TextOf("PathEdit") == folder; })) << TextOf("PathEdit");
  EXPECT_FALSE(win32::test_files::Exists(folder)) << "the browser must not create the folder";
}

}  // namespace
}  // namespace e2e
