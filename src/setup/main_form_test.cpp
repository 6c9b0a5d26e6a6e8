// The main window as the installation and the pages use it, created in this
// test process (it needs the harness's display).
#include "setup/main_form.h"

#include <gtest/gtest.h>

#include "setup/setup_messages.h"
#include "ui/application.h"

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

}  // namespace
}  // namespace setup
