// The finish page's actions on the real main window and first-run wizard: a
// stand-in control server (its main window and its command pipe, in this
// process) records the reload command, the shell seam records what is opened.
#include "setup/post_install_actions.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "serverconf/config_store.h"
#include "setup/main_form.h"
#include "setup/shell_actions.h"
#include "setup/wizard_form.h"
#include "support/config_store_test_support.h"
#include "support/modal_script.h"
#include "ui/application.h"
#include "win32/scoped_handle.h"
#include "window_driver/window_driver.h"

namespace setup {
namespace {

using serverconf::testing::TempFolder;

class RecordingShell : public ShellActions {
 public:
  std::vector<std::pair<HWND, std::string>> opened;
  bool Open(HWND owner, const std::string& target) override {
    opened.emplace_back(owner, target);
    return false;  // a refusal changes nothing about the other actions
  }
  void EndProgram() override { ADD_FAILURE() << "the actions end the program themselves"; }
  void EndProgramNow(unsigned exit_code) override { ADD_FAILURE() << "the program ended with " << exit_code; }
};

// The control server as the setup finds it when it runs as a program: its
// main window, and its command pipe taking one record.
class ControlServer {
 public:
  ControlServer() {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = ::DefWindowProcA;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.lpszClassName = "TControlForm";
    ::RegisterClassA(&window_class);
    window_ = ::CreateWindowA("TControlForm", "Control", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                              window_class.hInstance, nullptr);
    pipe_.reset(::CreateNamedPipeA("\\\\.\\pipe\\TarnoControl", PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr));
    listener_ = std::thread([this] { Listen(); });
  }
  ~ControlServer() {
    stop_ = true;
    listener_.join();
    ::DestroyWindow(window_);
  }
  bool ready() const { return window_ != nullptr && pipe_.valid(); }
  // The bytes of every record received, once `count` arrived (bounded wait).
  std::vector<std::string> Received(size_t count) {
    driver::WaitUntil([&] { return received_count_ >= count; }, driver::Milliseconds(5000));
    stop_ = true;
    listener_.join();
    listener_ = std::thread([] {});
    return records_;
  }

 private:
  void Listen() {
    while (!stop_) {
      win32::ScopedHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
      OVERLAPPED overlapped{};
      overlapped.hEvent = event.get();
      if (!::ConnectNamedPipe(pipe_.get(), &overlapped) && ::GetLastError() == ERROR_IO_PENDING) {
        while (!stop_ && ::WaitForSingleObject(event.get(), 20) == WAIT_TIMEOUT) {
        }
        if (stop_) {
          ::CancelIo(pipe_.get());
          return;
        }
      }
      std::string record;
      char buffer[64];
      DWORD read = 0;
      while (record.size() < 20 && ::ReadFile(pipe_.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        record.append(buffer, read);
      records_.push_back(record);
      ++received_count_;
      ::DisconnectNamedPipe(pipe_.get());
    }
  }

  HWND window_ = nullptr;
  win32::ScopedHandle pipe_;
  std::atomic<bool> stop_{false};
  std::atomic<size_t> received_count_{0};
  std::vector<std::string> records_;
  std::thread listener_;
};

std::string ReloadRecord() {
  const uint32_t fields[5] = {4096, 1280, 3, 0, 0};
  return std::string(reinterpret_cast<const char*>(fields), sizeof(fields));
}

class PostInstallActionsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::Application& app = ui::Application::Instance();
    app.Initialize();
    form_ = app.CreateForm<TMainForm>();
    wizard_ = app.CreateForm<TWizardForm>();
  }
  void SetUp() override {
    previous_ = SetShellActions(&shell_);
    form_->state.InstallFolder = folder_.Dir() + "inst\\";
    ::CreateDirectoryA(form_->state.InstallFolder.c_str(), nullptr);
    serverconf::ResolveServerPaths(form_->state.InstallFolder, "C:\\unused\\");
    for (ui::TCheckBox* box : {form_->RunConfig, form_->ShowTutorial, form_->ViewReleaseNotes, form_->RunTutorial})
      box->SetChecked(false);
  }
  void TearDown() override { SetShellActions(previous_); }

  std::string Inst() const { return form_->state.InstallFolder; }
  void Tutorial() {
    ::CreateDirectoryA((Inst() + "tutorial").c_str(), nullptr);
    folder_.Write("inst\\tutorial\\index.html", "<html></html>");
  }
  std::vector<std::string> Opened() const {
    std::vector<std::string> targets;
    for (const auto& [owner, target] : shell_.opened) {
      EXPECT_EQ(owner, form_->handle()) << target;
      targets.push_back(target);
    }
    return targets;
  }

  static TMainForm* form_;
  static TWizardForm* wizard_;
  TempFolder folder_;
  RecordingShell shell_;
  ShellActions* previous_ = nullptr;
};
TMainForm* PostInstallActionsTest::form_ = nullptr;
TWizardForm* PostInstallActionsTest::wizard_ = nullptr;

TEST_F(PostInstallActionsTest, AllClearedOnlyReloadsTheControlServer) {
  Tutorial();
  ControlServer server;
  ASSERT_TRUE(server.ready());
  RunChosenWizard(*form_);
  OpenChosenPrograms(*form_);
  EXPECT_TRUE(Opened().empty());
  const std::vector<std::string> records = server.Received(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0], ReloadRecord());
  EXPECT_FALSE(folder_.Exists("inst\\config")) << "no wizard ran";
}

TEST_F(PostInstallActionsTest, EachBoxAloneOpensItsOwnTarget) {
  Tutorial();
  const std::pair<ui::TCheckBox*, std::string> boxes[] = {{form_->ViewReleaseNotes, "releasenotes.txt"},
                                                          {form_->ShowTutorial, "tutorial\\index.html"},
                                                          {form_->RunConfig, "config.exe"}};
  for (const auto& [box, target] : boxes) {
    shell_.opened.clear();
    box->SetChecked(true);
    OpenChosenPrograms(*form_);
    box->SetChecked(false);
    EXPECT_EQ(Opened(), std::vector<std::string>{Inst() + target});
  }
}

TEST_F(PostInstallActionsTest, AllTickedOpenInOrderAfterTheReload) {
  Tutorial();
  ControlServer server;
  ASSERT_TRUE(server.ready());
  form_->ViewReleaseNotes->SetChecked(true);
  form_->ShowTutorial->SetChecked(true);
  form_->RunConfig->SetChecked(true);
  OpenChosenPrograms(*form_);
  EXPECT_EQ(server.Received(1), std::vector<std::string>{ReloadRecord()});
  EXPECT_EQ(Opened(), (std::vector<std::string>{Inst() + "releasenotes.txt", Inst() + "tutorial\\index.html",
                                                 Inst() + "config.exe"}));
}

TEST_F(PostInstallActionsTest, TutorialBoxWithoutTutorialOpensNothing) {
  form_->ShowTutorial->SetChecked(true);
  OpenChosenPrograms(*form_);  // no control server either: nothing waits for it
  EXPECT_TRUE(Opened().empty());
}

TEST_F(PostInstallActionsTest, CancelledWizardChangesNothingAndTheRestRuns) {
  ControlServer server;
  ASSERT_TRUE(server.ready());
  form_->RunTutorial->SetChecked(true);
  form_->ViewReleaseNotes->SetChecked(true);
  RunModal(*wizard_, [&] {
    HWND window = driver::WaitForWindow({"TWizardForm", "Wizard", ::GetCurrentProcessId()});
    ASSERT_NE(window, nullptr) << "the first-run wizard was not shown";
    driver::SetText(driver::RequireControl(window, "NameEdit"), "mail.example.org");
    driver::Click(driver::RequireControl(window, "CancelButton"));
    EXPECT_TRUE(driver::WaitForWindowGone(window));
  }, [&] {
    RunChosenWizard(*form_);
    OpenChosenPrograms(*form_);
  });
  EXPECT_FALSE(folder_.Exists("inst\\config")) << "no configuration written";
  EXPECT_EQ(server.Received(1), std::vector<std::string>{ReloadRecord()});
  EXPECT_EQ(Opened(), std::vector<std::string>{Inst() + "releasenotes.txt"});
}

}  // namespace
}  // namespace setup
