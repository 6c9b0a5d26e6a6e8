// A stand-in for another vendor's SMTP service ("SMTPSVC"): a service that,
// while it runs, holds the SMTP port of 127.0.0.1 (25, or SmtpPort in
// "smtpsvc.ini" beside it), so that the suite's SMTP server cannot start.
#include "standin.h"

namespace {

SERVICE_STATUS_HANDLE g_status_handle = nullptr;
HANDLE g_stop_event = nullptr;

void Report(DWORD state, DWORD exit_code = NO_ERROR) {
  SERVICE_STATUS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  status.dwWin32ExitCode = exit_code;
  ::SetServiceStatus(g_status_handle, &status);
}

DWORD WINAPI ControlHandler(DWORD control, DWORD, void*, void*) {
  if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) ::SetEvent(g_stop_event);
  return control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN ||
                 control == SERVICE_CONTROL_INTERROGATE
             ? NO_ERROR
             : ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD, char**) {
  g_stop_event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  g_status_handle = ::RegisterServiceCtrlHandlerExA("SMTPSVC", ControlHandler, nullptr);
  if (g_status_handle == nullptr) return;
  standin::Settings settings = standin::LoadSettings();
  settings.hold_port = settings.smtp_port;
  standin::Server server("SMTPSVC", false);
  if (!server.Start(settings)) return Report(SERVICE_STOPPED, server.error_code());
  Report(SERVICE_RUNNING);
  ::WaitForSingleObject(g_stop_event, INFINITE);
  Report(SERVICE_STOPPED);
}

}  // namespace

int main() {
  char name[] = "SMTPSVC";
  SERVICE_TABLE_ENTRYA services[] = {{name, ServiceMain}, {nullptr, nullptr}};
  return ::StartServiceCtrlDispatcherA(services) ? 0 : 1;
}
