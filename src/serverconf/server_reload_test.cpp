#include "serverconf/server_reload.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>

namespace serverconf {
namespace {

// Windows standing in for the running servers: each counts the reload messages it gets.
struct FakeServers {
  static inline std::map<HWND, int> received;
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == kServerReloadMessage && w == 0 && l == 0) ++received[window];
    return ::DefWindowProcA(window, message, w, l);
  }
  FakeServers() {
    for (const char* name : {"TSMTPForm", "TPOP3Form", "TControlForm"}) {
      WNDCLASSA wc{};
      wc.lpfnWndProc = Proc;
      wc.hInstance = ::GetModuleHandleA(nullptr);
      wc.lpszClassName = name;
      ::RegisterClassA(&wc);
    }
    smtp = ::CreateWindowA("TSMTPForm", "SMTP", 0, 0, 0, 10, 10, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    pop3 = ::CreateWindowA("TPOP3Form", "POP3", 0, 0, 0, 10, 10, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    control = ::CreateWindowA("TControlForm", "Control", 0, 0, 0, 10, 10, nullptr, nullptr,
                              ::GetModuleHandleA(nullptr), nullptr);
    received.clear();
  }
  ~FakeServers() {
    for (HWND w : {smtp, pop3, control}) ::DestroyWindow(w);
  }
  HWND smtp, pop3, control;
};

TEST(NotifyServersReload, TellsRunningServersAndTheConsoleOnlyWhenAsked) {
  FakeServers servers;
  ASSERT_TRUE(servers.smtp && servers.pop3 && servers.control);
  EXPECT_EQ(NotifyServersReload(false), 2);
  EXPECT_EQ(FakeServers::received[servers.smtp], 1);
  EXPECT_EQ(FakeServers::received[servers.pop3], 1);
  EXPECT_EQ(FakeServers::received[servers.control], 0);
  EXPECT_EQ(NotifyServersReload(true), 3);
  EXPECT_EQ(FakeServers::received[servers.smtp], 2);
  EXPECT_EQ(FakeServers::received[servers.control], 1);
}

}  // namespace
}  // namespace serverconf
