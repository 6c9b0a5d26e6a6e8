// Removes the demo installation as Add/Remove Programs does: reads the
// command line of the uninstall entry "Tarno" and starts it as it stands
// (CreateProcess), lets the demo script take a screenshot of the question,
// answers Yes, takes the final message and answers OK.
//
//   demo_uninstall.exe SIGNAL_DIR
//
// The pictures are "uninstall-question" and "uninstall-complete" (the same
// hand-over with the script as demo_walk). Exits 0 when the question and
// the final message came and the setup ended with exit code 0; otherwise
// says on stderr what went wrong and exits 1.
#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "picture_request.h"
#include "window_driver/window_driver.h"

namespace {

using driver::Milliseconds;

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarno";

std::string UninstallString() {
  HKEY key = nullptr;
  LONG result = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE, &key);
  char value[2048] = {};
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  if (result == ERROR_SUCCESS) {
    result = ::RegQueryValueExA(key, "UninstallString", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    ::RegCloseKey(key);
  }
  if (result != ERROR_SUCCESS || type != REG_SZ)
    throw std::runtime_error("no \"UninstallString\" in HKLM\\" + std::string(kUninstallKey) + " (error " +
                             std::to_string(result) + "): nothing installed, run scripts/demo.sh first");
  return value;
}

void Run(const std::string& signal_dir) {
  const std::string command_line = UninstallString();
  std::printf("Add/Remove Programs runs: %s\n", command_line.c_str());
  std::fflush(stdout);
  driver::Process setup;
  if (!setup.Start(command_line)) throw std::runtime_error("cannot start it: " + setup.error());

  HWND question = driver::WaitForMessageBox(setup.id(), "", Milliseconds(30000));
  if (question == nullptr) throw std::runtime_error("no question within 30 s");
  std::printf("question: %s\n", driver::Describe(driver::ReadMessageBox(question)).c_str());
  std::fflush(stdout);
  demo::RequestPicture(signal_dir + "uninstall-question.ready", "uninstall-question", "screenshot of the question");
  driver::AnswerMessageBox(question, IDYES);
  std::printf("answered Yes\n");
  std::fflush(stdout);
  driver::WaitForWindowGone(question);

  // Stopping the five servers may take up to ten seconds each.
  HWND message = driver::WaitForMessageBox(setup.id(), "", Milliseconds(120000));
  if (message == nullptr) throw std::runtime_error("no final message within 120 s");
  const driver::MessageBoxInfo info = driver::ReadMessageBox(message);
  std::printf("final message: %s\n", driver::Describe(info).c_str());
  std::fflush(stdout);
  demo::RequestPicture(signal_dir + "uninstall-complete.ready", "uninstall-complete",
                       "screenshot of the final message");
  driver::AnswerMessageBox(message, IDOK);

  const std::optional<DWORD> code = setup.WaitForExit(Milliseconds(30000));
  if (!code) throw std::runtime_error("the setup did not end after the final message");
  if (*code != 0) throw std::runtime_error("the setup ended with exit code " + std::to_string(*code));
  if (info.caption != "Information") throw std::runtime_error("the last box was not the final message");
  std::printf("uninstalled; the setup ended with exit code 0\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: demo_uninstall SIGNAL_DIR\n");
    return 2;
  }
  std::string signal_dir = argv[1];
  if (!signal_dir.empty() && signal_dir.back() != '\\') signal_dir += '\\';
  try {
    Run(signal_dir);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "demo_uninstall: %s\n", e.what());
    return 1;
  }
}
