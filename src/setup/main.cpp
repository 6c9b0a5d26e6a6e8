// Program entry of the setup: the application titled "Setup". The command
// line's switches decide how it runs: an unattended run works without any
// window from here; otherwise the three windows are created in this order
// and the message loop runs the wizard.
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
  if (win32::UnattendedRun()) {
    try {
      setup::RunUnattended();
    } catch (...) {
      // What the wizard's event dispatch would have caught: logged, and no
      // unattended run may end as if it had done its work.
      win32::LogLine("unattended run: stopped by an error: " + ui::DescribeException(std::current_exception()));
      win32::EndProgram(setup::kExitFatal);
    }
  }
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
