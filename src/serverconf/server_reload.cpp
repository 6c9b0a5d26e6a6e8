#include "serverconf/server_reload.h"

#include <windows.h>

#include "platform/service_table.h"
#include "win32/win32_error.h"

namespace serverconf {
namespace {

constexpr DWORD kReloadTimeoutMs = 5000;

}  // namespace

int NotifyServersReload(bool include_web_console) {
  int told = 0;
  for (std::size_t row = 0; row < platform::kServerCount; ++row) {
    const platform::ServiceRow& server = platform::ServiceTable[row];
    if (row == platform::kControlRow && !include_web_console) continue;
    HWND window = ::FindWindowA(server.ServerWindowClass, server.ServerWindowCaption);
    if (!window) continue;
    DWORD_PTR answer = 0;
    if (::SendMessageTimeoutA(window, kServerReloadMessage, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, kReloadTimeoutMs,
                              &answer))
      ++told;
    else
      win32::LogFailure("telling to reload", server.ServerWindowCaption, ::GetLastError());
  }
  return told;
}

}  // namespace serverconf
