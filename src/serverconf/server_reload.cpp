#include "serverconf/server_reload.h"

#include <windows.h>

#include "win32/win32_error.h"

namespace serverconf {
namespace {

constexpr DWORD kReloadTimeoutMs = 5000;

// The servers' windows, found by class and caption.
struct ServerWindow {
  const char* window_class;
  const char* title;
  bool web_console;
};
constexpr ServerWindow kServerWindows[] = {{"TSMTPForm", "SMTP", false},
                                           {"TPOP3Form", "POP3", false},
                                           {"TIMForm", "Instant Messaging Server", false},
                                           {"TGroupWareForm", "GroupWare", false},
                                           {"TControlForm", "Control", true}};

}  // namespace

int NotifyServersReload(bool include_web_console) {
  int told = 0;
  for (const ServerWindow& server : kServerWindows) {
    if (server.web_console && !include_web_console) continue;
    HWND window = ::FindWindowA(server.window_class, server.title);
    if (!window) continue;
    DWORD_PTR answer = 0;
    if (::SendMessageTimeoutA(window, kServerReloadMessage, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, kReloadTimeoutMs,
                              &answer))
      ++told;
    else
      win32::LogFailure("telling to reload", server.title, ::GetLastError());
  }
  return told;
}

}  // namespace serverconf
