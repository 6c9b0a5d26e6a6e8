// Program entry of the setup: the application titled "Setup" with its three
// windows, created in this order, and the message loop.
#include <windows.h>

#include "setup/browse_folder.h"
#include "setup/main_form.h"
#include "setup/res/resource_ids.h"
#include "setup/setup_state.h"
#include "setup/startup.h"
#include "setup/wizard_form.h"
#include "ui/application.h"
#include "win32/end_program.h"
#include "win32/library_search.h"
#include "win32/log.h"
#include "win32/notice.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  win32::RestrictLibrarySearch();
  setup::ApplyRunSwitches();
  ui::Application& app = ui::Application::Instance();
  app.Initialize();
  app.SetTitle("Setup");
  app.icon_name = TARNO_RES_MAINICON;
  try {
    app.CreateForm<setup::TMainForm>();
    app.CreateForm<setup::TBrowseFolder>();
    app.CreateForm<setup::TWizardForm>();
  } catch (const std::exception& e) {
    win32::LogLine(std::string("program entry: the windows could not be made: ") + e.what());
    win32::ShowNotice(nullptr, e.what(), "Setup", MB_ICONERROR);
    win32::EndProgram(setup::kExitFatal);
  }
  win32::EndProgram(static_cast<unsigned>(app.Run()));
}
