#include "setup/run_end.h"

#include "messages/setup_messages.h"
#include "setup/setup_state.h"
#include "setup/shell_actions.h"
#include "ui/application.h"
#include "win32/log.h"
#include "win32/notice.h"

namespace setup {

void EndWithFatalError(HWND owner, const std::string& text, unsigned exit_code) {
  win32::ShowNotice(owner, text, Messages().cError, MB_ICONERROR);
  CurrentShellActions().EndProgramNow(exit_code);
}

void EndWithInstallationError(HWND owner, std::exception_ptr error) {
  const std::string cause = ui::DescribeException(error);
  win32::LogLine("installation: stopped by an error: " + cause);
  EndWithFatalError(owner, cause, kExitFatal);
}

}  // namespace setup
