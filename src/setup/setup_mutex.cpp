#include "setup/setup_mutex.h"

#include "messages/setup_messages.h"
#include "setup/command_line.h"
#include "setup/setup_state.h"
#include "win32/end_program.h"
#include "win32/log.h"
#include "win32/notice.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace setup {
namespace {

// Held until the process ends; the system then closes it, however the
// process ends.
win32::ScopedHandle& HeldMutex() {
  static win32::ScopedHandle mutex;
  return mutex;
}

}  // namespace

bool RunHoldsSetupMutex(const std::vector<std::string>& args) {
  switch (ClassifyStartMode(args)) {
    case StartMode::kWizard:
    case StartMode::kSilentWizard:
    case StartMode::kUninstall:
      return true;
    default:
      return false;
  }
}

bool TakeSetupMutex() {
  if (HeldMutex()) return true;
  ::SetLastError(ERROR_SUCCESS);
  win32::ScopedHandle mutex(::CreateMutexA(nullptr, FALSE, kSetupMutexName));
  const DWORD error = ::GetLastError();
  if (mutex && error != ERROR_ALREADY_EXISTS) {
    HeldMutex() = std::move(mutex);
    return true;
  }
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) return false;
  win32::LogFailure("create the setup mutex", kSetupMutexName, error);
  return true;
}

void EnsureOnlySetup(HWND owner, const std::vector<std::string>& args) {
  if (!RunHoldsSetupMutex(args) || TakeSetupMutex()) return;
  win32::LogLine(std::string("start-up: another setup is running (") + kSetupMutexName + " is held); this one ends");
  win32::ShowNotice(owner, kSetupRunningText, FormatText(Messages().cSetup, {Messages().cName}), MB_ICONWARNING);
  win32::EndProgram(kExitSetupRunning);
}

}  // namespace setup
