// The first-run wizard shown modally and its answers applied to a real
// configuration folder; the modal is driven from a second thread as a user
// would drive it.
#include "setup/apply_primary_domain.h"

#include <gtest/gtest.h>

#include "serverconf/account_records.h"
#include "serverconf/config_store.h"
#include "setup/wizard_form.h"
#include "support/config_store_test_support.h"
#include "support/modal_script.h"
#include "ui/application.h"
#include "window_driver/window_driver.h"

namespace setup {
namespace {

using serverconf::testing::TempFolder;
using serverconf::testing::Str;
using serverconf::testing::Unscrambled;

class ApplyPrimaryDomainTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::Application& app = ui::Application::Instance();
    app.Initialize();
    app.CreateForm<ui::Form>("TestMainForm", "TApplyPrimaryDomainTestMain", 200, 100, ui::Form::Frame::kSingle);
    wizard_ = app.CreateForm<TWizardForm>();
  }
  void SetUp() override { serverconf::ResolveServerPaths(Inst(), "C:\\unused\\"); }
  std::string Inst() const { return folder_.Dir() + "inst\\"; }

  // Answers the wizard's pages: host name, domain, user and password.
  static void Answer(const std::string& host, const std::string& domain, const std::string& user,
                     const std::string& password) {
    HWND window = driver::WaitForWindow({"TWizardForm", "Wizard", ::GetCurrentProcessId()});
    ASSERT_NE(window, nullptr) << "the wizard was not shown";
    HWND next = driver::RequireControl(window, "NextButton");
    driver::SetText(driver::RequireControl(window, "NameEdit"), host);
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::IsEnabled(next); }));
    driver::Click(next);
    driver::SetText(driver::RequireControl(window, "OtherEdit"), domain);
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::IsEnabled(next); }));
    driver::Click(next);
    driver::SetText(driver::RequireControl(window, "EmailEdit"), user);
    driver::SetText(driver::RequireControl(window, "PassEdit"), password);
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::IsEnabled(next); }));
    driver::Click(next);
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::Text(next) == "&Finish"; }));
    driver::Click(next);
    EXPECT_TRUE(driver::WaitForWindowGone(window));
  }

  static TWizardForm* wizard_;
  TempFolder folder_;
};
TWizardForm* ApplyPrimaryDomainTest::wizard_ = nullptr;

TEST_F(ApplyPrimaryDomainTest, FinishedWizardSetsUpTheDomainAndItsAdministrator) {
  bool applied = false;
  RunModal(*wizard_, [&] { Answer("  mail.example.org ", " Example.org ", " admin ", " s3cret "); },
           [&] { applied = ApplyPrimaryDomain(*wizard_, Inst()); });
  ASSERT_TRUE(applied);
  EXPECT_EQ(Str(Unscrambled(folder_.Read("inst\\config\\settings.cfg")), 0), "mail.example.org");
  const std::string table = folder_.Read("inst\\config\\domains.cfg");
  ASSERT_GE(table.size(), 96u);
  EXPECT_EQ(Str(table, 0), "example.org");
  const std::string user = Unscrambled(folder_.Read("inst\\config\\example.org\\users.cfg"));
  ASSERT_EQ(user.size(), serverconf::kUserRecordSize);
  EXPECT_EQ(Str(user, 4), "Admin");
  EXPECT_EQ(Str(user, 772), " s3cret ") << "the password as typed";
  EXPECT_EQ(Str(user, 1028), "Example.org\\admin\\");
}

TEST_F(ApplyPrimaryDomainTest, CancelledWizardChangesNothing) {
  bool applied = true;
  RunModal(*wizard_, [&] {
    HWND window = driver::WaitForWindow({"TWizardForm", "Wizard", ::GetCurrentProcessId()});
    ASSERT_NE(window, nullptr);
    driver::SetText(driver::RequireControl(window, "NameEdit"), "mail.example.org");
    driver::Click(driver::RequireControl(window, "CancelButton"));
    EXPECT_TRUE(driver::WaitForWindowGone(window));
  }, [&] { applied = ApplyPrimaryDomain(*wizard_, Inst()); });
  EXPECT_FALSE(applied);
  EXPECT_FALSE(folder_.Exists("inst\\config")) << "no configuration written";
}

}  // namespace
}  // namespace setup
