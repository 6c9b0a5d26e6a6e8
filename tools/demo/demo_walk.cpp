// Walks the setup's wizard for the demo and installs the sample
// distribution: starts "setup.exe /SILENT", and on each page from the welcome
// page to the destination page lets the demo script take a screenshot, fills
// in what the page needs and clicks Next; on the destination page it sets the
// installation folder and clicks Install, takes the installing page while the
// installation runs and the finish page when it is done, clears the finish
// page's actions and clicks Finish.
//
//   demo_walk.exe SETUP_EXE SIGNAL_DIR INSTALL_DIR
//
// The hand-over with the script: for page N the walker writes
// SIGNAL_DIR\page-N.ready holding the picture's name ("page0-welcome") and
// waits until the script has taken it and deleted the file (at most 60 s). Exits 0
// when the installation went through without a message box and the setup
// ended with exit code 0; otherwise says on stderr what went wrong (with the
// text of a message box that came up) and exits 1.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "picture_request.h"
#include "window_driver/window_driver.h"

namespace {

using driver::Milliseconds;

struct Page {
  const char* panel;  // the page's panel in the main window
  const char* name;   // for the screenshot's file name
};
constexpr Page kPages[] = {
    {"WelcomePanel", "welcome"},       {"LicensePanel", "license"},       {"CredentialsPanel", "details"},
    {"SetupTypePanel", "server-type"}, {"SetupComponents", "components"}, {"InstallPanel", "destination"},
};
// The installation of the sample distribution takes well under a minute; a
// slow, shared machine gets five.
constexpr Milliseconds kInstallTimeout{300000};

class Walk {
 public:
  Walk(std::string setup_exe, std::string signal_dir, std::string install_dir)
      : setup_exe_(std::move(setup_exe)), signal_dir_(std::move(signal_dir)), install_dir_(std::move(install_dir)) {
    if (!signal_dir_.empty() && signal_dir_.back() != '\\') signal_dir_ += '\\';
  }

  void Run() {
    std::string folder = setup_exe_.substr(0, setup_exe_.find_last_of('\\') + 1);
    if (!setup_.Start(driver::Quote(setup_exe_) + " /SILENT", folder))
      throw std::runtime_error("cannot start the setup: " + setup_.error());
    main_ = driver::WaitForWindow({"TMainForm", "", setup_.id(), true}, Milliseconds(30000));
    if (main_ == nullptr) throw std::runtime_error("the setup's main window did not appear within 30 s");

    for (size_t index = 0; index < std::size(kPages); ++index) {
      const Page& page = kPages[index];
      WaitForPage(page.panel);
      std::printf("page %u: %s (%s)\n", static_cast<unsigned>(index), page.panel,
                  driver::Text(Control("PageCaption")).c_str());
      std::fflush(stdout);
      if (index == 2) {
        // The user details page lets the wizard go on once both are given.
        driver::SetText(Control("NameEdit"), "Ann Admin");
        driver::SetText(Control("EmailEdit"), "ann.admin@example.test");
        driver::SetText(Control("CompanyEdit"), "Example Ltd.");
        if (!driver::WaitUntil([&] { return driver::IsEnabled(Control("NextButton")); }))
          throw std::runtime_error("Next stayed disabled after entering name and e-mail");
        WaitForPage(page.panel);
      }
      if (index + 1 == std::size(kPages)) driver::SetText(Control("PathEdit"), install_dir_);
      Screenshot(index, page.name);
      driver::Click(Control("NextButton"));
    }

    // The installing page, while the installation runs.
    if (!driver::WaitUntil([&] { return driver::IsVisible(Control("InstallingPanel")); }, Milliseconds(30000)))
      throw std::runtime_error("the installing page did not come");
    // Pictured once the sequence shows what it does.
    driver::WaitUntil([&] { return !driver::Text(Control("InstallPanelText")).empty(); }, Milliseconds(30000),
                      Milliseconds(20));
    std::string step = driver::Text(Control("InstallPanelText"));
    step = step.substr(0, step.find_first_of("\r\n"));
    std::printf("page 6: InstallingPanel (installing into %s: %s)\n", install_dir_.c_str(), step.c_str());
    std::fflush(stdout);
    Screenshot(6, "installing");
    WaitForFinish();
    std::printf("page 7: FinishedPanel (%s), progress %d of 12\n", driver::Text(Control("PageCaption")).c_str(),
                static_cast<int>(::SendMessageA(Control("ProgressBar"), PBM_GETPOS, 0, 0)));
    std::fflush(stdout);
    WaitForPage("FinishedPanel");
    Screenshot(7, "finish");

    // Nothing is to be started after the demo installation.
    for (const char* action : {"RunConfig", "ShowTutorial", "ViewReleaseNotes", "RunTutorial"}) {
      HWND box = driver::FindControl(main_, action);
      if (box != nullptr && driver::IsVisible(box) && driver::IsChecked(box)) driver::Click(box);
    }
    driver::Click(Control("NextButton"));
    std::optional<DWORD> code = setup_.WaitForExit(Milliseconds(30000));
    if (!code) throw std::runtime_error("the setup did not end after Finish");
    if (*code != 0) throw std::runtime_error("the setup ended with exit code " + std::to_string(*code));
    std::printf("installed; the setup ended with exit code 0\n");
  }

 private:
  // Waits for the finish page; a message box on the way is pictured,
  // answered and reported as the walk's failure.
  void WaitForFinish() {
    HWND box = nullptr;
    bool finished = driver::WaitUntil(
        [&] {
          box = driver::FindTopLevelWindow({"#32770", "", setup_.id(), true});
          if (box != nullptr) return true;
          HWND page = driver::FindControl(main_, "FinishedPanel");
          return page != nullptr && driver::IsVisible(page);
        },
        kInstallTimeout, Milliseconds(200));
    if (box != nullptr) {
      const std::string text = driver::Describe(driver::ReadMessageBox(box));
      Screenshot(8, "message-box");
      driver::AnswerMessageBox(box, IDOK);
      throw std::runtime_error("a message box came up during the installation: " + text);
    }
    if (!finished) throw std::runtime_error("the finish page did not come within 300 s");
  }

  HWND Control(const std::string& name) { return driver::RequireControl(main_, name); }

  std::string PageState() {
    std::string state = driver::Text(Control("PageCaption"));
    for (const char* button : {"BackButton", "NextButton", "CloseButton"}) {
      HWND window = Control(button);
      state += std::string("|") + driver::Text(window) + (driver::IsEnabled(window) ? "+" : "-") +
               (driver::IsVisible(window) ? "v" : "h");
    }
    return state;
  }

  // Waits until `panel` is shown, no message box is up, and the title and
  // buttons have settled (the same twice, 200 ms apart).
  void WaitForPage(const std::string& panel) {
    bool shown = driver::WaitUntil(
        [&] {
          HWND window = driver::FindControl(main_, panel);
          return window != nullptr && driver::IsVisible(window);
        },
        Milliseconds(30000));
    if (!shown) throw std::runtime_error("the page " + panel + " did not come:\n" + driver::DescribeTree(main_));
    std::string last;
    bool settled = driver::WaitUntil(
        [&] {
          if (driver::FindTopLevelWindow({"#32770", "", setup_.id(), true}) != nullptr) {
            last.clear();
            return false;
          }
          std::string now = PageState();
          bool same = now == last;
          last = now;
          return same;
        },
        Milliseconds(30000), Milliseconds(200));
    if (!settled) throw std::runtime_error("the page " + panel + " did not settle (a message box is up?)");
  }

  void Screenshot(size_t index, const char* name) {
    demo::RequestPicture(signal_dir_ + "page-" + std::to_string(index) + ".ready",
                         "page" + std::to_string(index) + "-" + name, "screenshot of page " + std::to_string(index));
  }

  std::string setup_exe_, signal_dir_, install_dir_;
  driver::Process setup_;
  HWND main_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: demo_walk SETUP_EXE SIGNAL_DIR INSTALL_DIR\n");
    return 2;
  }
  try {
    Walk(argv[1], argv[2], argv[3]).Run();
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "demo_walk: %s\n", e.what());
    return 1;
  }
}
