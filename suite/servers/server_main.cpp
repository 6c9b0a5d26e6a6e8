// One of the suite's five server programs (which one: TARNO_SERVER_ROW).
//
// Started by the service control manager it runs as that service: reports
// running, serves its command pipe (and, for SMTP, port 25), and stops on
// the stop control. Started by anyone else it runs as an ordinary program
// with the main window of its row, which also takes the commands as window
// messages (1280 reloads the settings) and closes on WM_CLOSE.
#include "server_rows.h"
#include "standin.h"

namespace {

using namespace standin;

constexpr const ServerRow& kRow = kServerRows[TARNO_SERVER_ROW];
constexpr bool kIsSmtp = TARNO_SERVER_ROW == 0;
constexpr UINT kReloadMessage = 0x500;
// Exit code of a service that was told to fail at start.
constexpr DWORD kFailedStartCode = 1;

Settings g_settings;
SERVICE_STATUS_HANDLE g_status_handle = nullptr;
HANDLE g_stop_event = nullptr;

void Report(DWORD state, DWORD exit_code = NO_ERROR, DWORD specific_code = 0) {
  SERVICE_STATUS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  status.dwWin32ExitCode = specific_code != 0 ? ERROR_SERVICE_SPECIFIC_ERROR : exit_code;
  status.dwServiceSpecificExitCode = specific_code;
  status.dwWaitHint = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ? 3000 : 0;
  ::SetServiceStatus(g_status_handle, &status);
}

DWORD WINAPI ControlHandler(DWORD control, DWORD, void*, void*) {
  if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
    if (!g_settings.ignore_stop) ::SetEvent(g_stop_event);
    return NO_ERROR;
  }
  return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD, char**) {
  g_status_handle = ::RegisterServiceCtrlHandlerExA(kRow.service, ControlHandler, nullptr);
  if (g_status_handle == nullptr) return;
  Report(SERVICE_START_PENDING);
  g_settings = LoadSettings();
  if (g_settings.fail_start) return Report(SERVICE_STOPPED, NO_ERROR, kFailedStartCode);
  Server server(kRow.service, kIsSmtp);
  if (!server.Start(g_settings)) return Report(SERVICE_STOPPED, server.error_code());
  g_stop_event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  Report(SERVICE_RUNNING);
  ::WaitForSingleObject(g_stop_event, INFINITE);
  Report(SERVICE_STOP_PENDING);
  // A server that needs a while to shut down.
  if (g_settings.stop_delay_ms > 0) ::Sleep(static_cast<DWORD>(g_settings.stop_delay_ms));
  Report(SERVICE_STOPPED);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE) {
    if (!g_settings.ignore_stop) ::DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  if (message >= WM_USER && message < 0xC000) {
    LogCommand("window " + std::to_string(message) + " " + std::to_string(wparam) + " " +
               std::to_string(lparam));
    if (message == kReloadMessage) g_settings = LoadSettings();
    return 0;
  }
  return ::DefWindowProcA(window, message, wparam, lparam);
}

int RunAsProgram() {
  g_settings = LoadSettings();
  if (g_settings.fail_start) return static_cast<int>(kFailedStartCode);
  Server server(kRow.service, kIsSmtp);
  if (!server.Start(g_settings)) {
    LogCommand("error " + server.error());
    return static_cast<int>(server.error_code());
  }
  return RunMainWindow(kRow.window_class, kRow.caption, WindowProc);
}

}  // namespace

int main() {
  // Asking the dispatcher is no way to tell: Wine's connects a program
  // started by hand to whichever service the manager started last.
  if (!StartedByServiceManager()) return RunAsProgram();
  char name[64];
  lstrcpynA(name, kRow.service, sizeof(name));
  SERVICE_TABLE_ENTRYA services[] = {{name, ServiceMain}, {nullptr, nullptr}};
  return ::StartServiceCtrlDispatcherA(services) ? 0 : 1;
}
