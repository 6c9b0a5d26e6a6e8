// Walks the setup's wizard for the demo: starts "setup.exe /SILENT", and on
// each page from the welcome page to the destination page lets the demo
// script take a screenshot, fills in what the page needs and clicks Next. On
// the destination page it cancels (Cancel, then Yes), so nothing is installed.
//
//   demo_walk.exe SETUP_EXE SIGNAL_DIR
//
// The hand-over with the script: for page N the walker writes
// SIGNAL_DIR\page-N.ready holding the picture's name ("page0-welcome") and
// waits until the script has taken it and deleted the file (at most 60 s). Exits 0
// when the walk went through and the setup ended with exit code 0; otherwise
// says on stderr what went wrong and exits 1.
#include <windows.h>

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

class Walk {
 public:
  Walk(std::string setup_exe, std::string signal_dir)
      : setup_exe_(std::move(setup_exe)), signal_dir_(std::move(signal_dir)) {
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
      Screenshot(index, page.name);
      if (index + 1 < std::size(kPages)) driver::Click(Control("NextButton"));
    }

    driver::Click(Control("CloseButton"));
    HWND box = driver::WaitForMessageBox(setup_.id(), "Exit Setup");
    if (box == nullptr) throw std::runtime_error("Cancel did not ask \"Exit Setup\"");
    driver::AnswerMessageBox(box, IDYES);
    std::optional<DWORD> code = setup_.WaitForExit(Milliseconds(15000));
    if (!code) throw std::runtime_error("the setup did not end after the cancel was confirmed");
    if (*code != 0) throw std::runtime_error("the setup ended with exit code " + std::to_string(*code));
    std::printf("cancelled on the destination page; the setup ended with exit code 0\n");
  }

 private:
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

  std::string setup_exe_, signal_dir_;
  driver::Process setup_;
  HWND main_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: demo_walk SETUP_EXE SIGNAL_DIR\n");
    return 2;
  }
  try {
    Walk(argv[1], argv[2]).Run();
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "demo_walk: %s\n", e.what());
    return 1;
  }
}
