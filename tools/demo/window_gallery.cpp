// Shows the setup's two smaller windows for the demo's screenshots: the
// folder browser ("Choose Folder") and each page of the first-run wizard
// ("Wizard"), made in this process as the program entry makes them and filled
// in as an administrator would fill them.
//
//   window_gallery.exe SIGNAL_DIR
//
// The hand-over with the script is the demo walk's: for each picture the
// gallery writes SIGNAL_DIR\NAME.ready holding the picture's name and waits
// until the script has taken it and deleted the file (at most 60 s). Exits 0
// when every picture was taken; otherwise says on stderr what went wrong and
// exits 1.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

#include "setup/browse_folder.h"
#include "setup/res/resource_ids.h"
#include "setup/wizard_form.h"
#include "ui/application.h"
#include "picture_request.h"
#include "window_driver/window_driver.h"

namespace {

using driver::Milliseconds;

// The windows' own thread runs the modal loop; the pictures are arranged from
// a second thread through the window driver, as a user's clicks would come.
class Gallery {
 public:
  explicit Gallery(std::string signal_dir) : signal_dir_(std::move(signal_dir)) {
    if (!signal_dir_.empty() && signal_dir_.back() != '\\') signal_dir_ += '\\';
  }

  void Run() {
    ui::Application& app = ui::Application::Instance();
    app.Initialize();
    app.SetTitle("Setup");
    app.icon_name = TARNO_RES_MAINICON;
    auto* browser = app.CreateForm<setup::TBrowseFolder>();
    auto* wizard = app.CreateForm<setup::TWizardForm>();

    Drive(browser->handle(), [&] { BrowserPictures(browser->handle()); }, [&] {
      std::string folder = "C:\\Program Files\\Tarno\\";
      setup::BrowseForDestination(*browser, folder);
    });
    Drive(wizard->handle(), [&] { WizardPictures(wizard->handle()); }, [&] { wizard->ShowModal(); });
    if (!error_.empty()) throw std::runtime_error(error_);
  }

 private:
  // Runs `script` on a second thread while this thread runs `modal`; should
  // the script fail, the window is closed so that `modal` returns.
  void Drive(HWND window, const std::function<void()>& script, const std::function<void()>& modal) {
    std::thread thread([&] {
      try {
        script();
      } catch (const std::exception& e) {
        if (error_.empty()) error_ = e.what();
        ::PostMessageA(window, WM_CLOSE, 0, 0);
      }
    });
    modal();
    thread.join();
  }

  void BrowserPictures(HWND browser) {
    WaitShown(browser, "the folder browser");
    Picture(browser, "browse-folder");
    driver::Click(driver::RequireControl(browser, "CancelButton"));
    if (!driver::WaitUntil([&] { return !driver::IsVisible(browser); }))
      throw std::runtime_error("Cancel did not close the folder browser");
  }

  void WizardPictures(HWND wizard) {
    WaitShown(wizard, "the first-run wizard");
    struct Page {
      const char* panel;
      const char* field;  // filled in before the picture, or nullptr
      const char* text;
      const char* name;
    };
    static constexpr Page kPages[] = {
        {"NamePanel", "NameEdit", "mail.example.test", "wizard-page0-host-name"},
        {"OtherPanel", "OtherEdit", "example.test", "wizard-page1-primary-domain"},
        {"EmailPanel", "EmailEdit", "administrator", "wizard-page2-administrator"},
        {"FinishPanel", nullptr, nullptr, "wizard-page3-complete"},
    };
    for (const Page& page : kPages) {
      HWND panel = driver::RequireControl(wizard, page.panel);
      if (!driver::WaitUntil([&] { return driver::IsVisible(panel); }))
        throw std::runtime_error(std::string("the wizard's page ") + page.panel + " did not come");
      HWND next = driver::RequireControl(wizard, "NextButton");
      if (page.field != nullptr) {
        driver::SetText(driver::RequireControl(wizard, page.field), page.text);
        if (page.panel == std::string("EmailPanel"))
          driver::SetText(driver::RequireControl(wizard, "PassEdit"), "secret");
        if (!driver::WaitUntil([&] { return driver::IsEnabled(next); }))
          throw std::runtime_error(std::string("Next stayed disabled on ") + page.panel);
      }
      Picture(wizard, page.name);
      driver::Click(next);
    }
    if (!driver::WaitUntil([&] { return !driver::IsVisible(wizard); }))
      throw std::runtime_error("Finish did not close the first-run wizard");
  }

  static void WaitShown(HWND window, const std::string& what) {
    if (!driver::WaitUntil([&] { return driver::IsVisible(window); }, Milliseconds(30000)))
      throw std::runtime_error(what + " was not shown within 30 s");
  }

  // Lets the script take the picture `name` once `window` has painted: the
  // repaint asked for here returns only when the window's thread has drawn it.
  void Picture(HWND window, const std::string& name) {
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    demo::RequestPicture(signal_dir_ + name + ".ready", name, "picture " + name);
    std::printf("%s\n", name.c_str());
    std::fflush(stdout);
  }

  std::string signal_dir_;
  std::string error_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: window_gallery SIGNAL_DIR\n");
    return 2;
  }
  try {
    Gallery(argv[1]).Run();
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "window_gallery: %s\n", e.what());
    return 1;
  }
}
