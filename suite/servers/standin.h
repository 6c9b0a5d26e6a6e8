// What every stand-in server does besides being a service or a window:
// its settings file, its command log, its command pipe and the TCP ports it
// holds.
//
// Beside the program, "<name>.ini" (section [StandIn]) steers it for tests:
//   IgnoreStop=1   the stop control and WM_CLOSE are ignored
//   FailStart=1    the server ends at once instead of starting
//   HoldPort=N     the server listens on 127.0.0.1:N (without answering);
//                  when that port is taken it cannot start
//   SmtpPort=N     the SMTP server's port (default 25)
//   StopDelay=N    the service takes N ms from the stop request to stopped
// and "<name>-commands.log" receives one line per command, in order:
//   "pipe <code> <message> <p1> <p2> <reserved>" for each 20-byte record,
//   "window <message> <wparam> <lparam>" for each command window message,
// and "error ..." when the server cannot serve its pipe or ports.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>

namespace standin {

struct Settings {
  bool ignore_stop = false;
  bool fail_start = false;
  int hold_port = 0;
  int smtp_port = 25;
  int stop_delay_ms = 0;
};

// The folder of this program, with a trailing backslash, and its file name without ".exe".
std::string ProgramFolder();
std::string ProgramBaseName();
Settings LoadSettings();
// Whether the service control manager ("services.exe") started this process.
bool StartedByServiceManager();

// Registers `window_class`, shows a top-level window of it captioned
// `caption` and runs its message loop until the window is destroyed; the
// program's exit code.
int RunMainWindow(const char* window_class, const char* caption, WNDPROC procedure);

// Appends one line to the command log (thread-safe).
void LogCommand(const std::string& line);

// The ports and worker threads of one running server; they live until the process ends.
class Server {
 public:
  explicit Server(const char* service_name, bool smtp);
  // Opens the ports and the command pipe. False (with the reason in
  // error()) when a port cannot be had.
  bool Start(const Settings& settings);
  const std::string& error() const { return error_; }
  DWORD error_code() const { return error_code_; }

 private:
  bool Listen(int port, SOCKET& socket_out);

  std::string pipe_name_;
  bool smtp_;
  std::string error_;
  DWORD error_code_ = 0;
};

}  // namespace standin
