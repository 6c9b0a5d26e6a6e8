#include "engine/uninstall.h"

#include "win32/log.h"

namespace engine {

void RunUninstall(UninstallWindow&) {
  // The removal steps are not part of this build; nothing is removed and
  // nothing is reported as removed.
  win32::LogLine("uninstall: the removal steps are not available in this build; nothing was removed");
}

}  // namespace engine
