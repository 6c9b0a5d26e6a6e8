// The wizard's question for a newer version, fed by the real new-version
// check against local web servers: entering the licence page with
// CheckLatest checked reads the product list named by "info.xml".
#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "servers/test_servers.h"
#include "setup/main_form.h"
#include "setup/shell_actions.h"
#include "setup/wizard_actions.h"
#include "ui/application.h"
#include "window_driver/window_driver.h"

namespace setup {
namespace {

// The shell's open and the end of the program, recorded instead of done.
class RecordingShell : public ShellActions {
 public:
  std::vector<std::string> opened;
  int ends = 0;
  bool Open(HWND, const std::string& target) override {
    opened.push_back(target);
    return true;
  }
  void EndProgram() override { ++ends; }
  void EndProgramNow(unsigned exit_code) override { ADD_FAILURE() << "the program ended with " << exit_code; }
};

class NewVersionQuestionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::Application::Instance().Initialize();
    form_ = ui::Application::Instance().CreateForm<TMainForm>();
  }
  void SetUp() override {
    previous_shell_ = SetShellActions(&shell_);
    form_->CheckLatest->SetChecked(true);
  }
  void TearDown() override { SetShellActions(previous_shell_); }

  // Enters the licence page with the product list `list` of the local server
  // and answers a question box with `button`; the box seen, if any.
  std::optional<driver::MessageBoxInfo> EnterLicencePage(const std::string& list, int button) {
    form_->state.ProductsXmlUrl =
        "http://127.0.0.1:" + std::to_string(test_servers::Port("http")) + "/list/" + list;
    form_->state.CurrentPage = 0;
    form_->SetupPage();
    std::optional<driver::MessageBoxInfo> seen;
    std::string error;
    std::thread answerer([&] {
      try {
        HWND box = driver::WaitForMessageBox(::GetCurrentProcessId(), "Question", driver::Milliseconds(4000));
        if (box == nullptr) return;
        seen = driver::ReadMessageBox(box);
        driver::AnswerMessageBox(box, button);
      } catch (const std::exception& e) {
        error = e.what();
      }
    });
    form_->NextButton->Click();
    answerer.join();
    EXPECT_EQ(error, "") << list;
    EXPECT_EQ(form_->state.CurrentPage, 1) << list;
    return seen;
  }

  static TMainForm* form_;
  RecordingShell shell_;
  ShellActions* previous_shell_ = nullptr;
};
TMainForm* NewVersionQuestionTest::form_ = nullptr;

TEST_F(NewVersionQuestionTest, NoQuestionWithoutANewerVersion) {
  for (const char* list : {"none", "empty", "838"}) {
    const auto seen = EnterLicencePage(list, IDNO);
    EXPECT_FALSE(seen.has_value()) << list << ": " << driver::Describe(*seen);
  }
  EXPECT_TRUE(shell_.opened.empty());
  EXPECT_EQ(shell_.ends, 0);
}

TEST_F(NewVersionQuestionTest, NewerVersionIsOfferedAndYesOpensTheDownload) {
  auto seen = EnterLicencePage("839", IDNO);
  ASSERT_TRUE(seen.has_value()) << "no question for 8.3.9";
  EXPECT_NE(seen->text.find("Tarno Mail Server 8.3.9"), std::string::npos) << driver::Describe(*seen);
  EXPECT_EQ(shell_.ends, 0) << "No goes on";

  seen = EnterLicencePage("839", IDYES);
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(shell_.opened, std::vector<std::string>{"http://download.tarno.example/setup.exe"});
  EXPECT_EQ(shell_.ends, 1);
}

// A product list that names a file, a script, a share or a program as the
// download gets its question, but Yes opens nothing.
TEST_F(NewVersionQuestionTest, OnlyWebAddressesAreOpened) {
  for (const char* list : {"839-file", "839-javascript", "839-unc", "839-program"}) {
    const auto seen = EnterLicencePage(list, IDYES);
    EXPECT_TRUE(seen.has_value()) << list;
  }
  EXPECT_TRUE(shell_.opened.empty()) << shell_.opened.front();
  EXPECT_EQ(shell_.ends, 4);
}

}  // namespace
}  // namespace setup
