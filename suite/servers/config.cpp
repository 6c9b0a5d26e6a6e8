// config.exe: the server administration window. It lists the five servers
// with the state of each (service state on this machine, or "window" when
// one runs as an ordinary program) and refreshes the list every second.
#include <string>

#include "server_rows.h"
#include "standin.h"

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
HWND g_list = nullptr;

std::string StateOf(const standin::ServerRow& row) {
  if (::FindWindowA(row.window_class, row.caption) != nullptr) return "running (window)";
  SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) return "unknown";
  std::string state = "not installed";
  if (SC_HANDLE service = ::OpenServiceA(manager, row.service, SERVICE_QUERY_STATUS)) {
    SERVICE_STATUS status{};
    if (::QueryServiceStatus(service, &status))
      state = status.dwCurrentState == SERVICE_RUNNING   ? "running"
              : status.dwCurrentState == SERVICE_STOPPED ? "stopped"
                                                         : "changing";
    ::CloseServiceHandle(service);
  }
  ::CloseServiceHandle(manager);
  return state;
}

void Refresh() {
  ::SendMessageA(g_list, LB_RESETCONTENT, 0, 0);
  for (const standin::ServerRow& row : standin::kServerRows) {
    std::string line = std::string(row.service) + "\t" + StateOf(row);
    ::SendMessageA(g_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      g_list = ::CreateWindowA("LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_USETABSTOPS, 0, 0, 0, 0,
                               window, nullptr, nullptr, nullptr);
      Refresh();
      ::SetTimer(window, kRefreshTimer, 1000, nullptr);
      return 0;
    case WM_SIZE:
      ::MoveWindow(g_list, 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
      return 0;
    case WM_TIMER:
      Refresh();
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int main() { return standin::RunMainWindow("TConfigForm", "Tarno Mail Server Administration", WindowProc); }
