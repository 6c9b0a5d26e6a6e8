// Shared set-up of the end-to-end tests: a distribution folder of the test's
// own holding a copy of setup.exe, the product keys saved away and put back,
// the setup's log captured in a file, and the started program terminated
// when a test ends, whatever happened.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/test_registry.h"
#include "window_driver/window_driver.h"

namespace e2e {

inline constexpr char kMainCaption[] = "Tarno Mail Server 8.3.8 Setup";

using win32::test_registry::SavedKey;
using win32::test_registry::SavedValue;

// Raw registry helpers for arranging a test.
void WriteString(HKEY root, const std::string& key, const std::string& name, const std::string& value);
void WriteDword(HKEY root, const std::string& key, const std::string& name, DWORD value);
void DeleteValue(HKEY root, const std::string& key, const std::string& name);

// Files and folders.
std::string TempFolder(const std::string& name);  // a new folder on each call, trailing backslash
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
void RemoveTree(const std::string& folder);

// Answers each message box `process` shows with OK until the process ends
// (or no box comes within `timeout` while it runs); what each box showed.
std::vector<driver::MessageBoxInfo> AnswerBoxesUntilExit(const driver::Process& process,
                                                         driver::Milliseconds timeout);

// True once the panel `panel` of the main window `main` is the one shown and
// the page's set-up has ended. The panel turns visible in the middle of the
// click's handler, which runs on the setup's own thread, so the page counts as
// set up when its title and buttons read the same twice in a row, 100 ms apart.
bool WaitForPage(HWND main, const std::string& panel);

class SetupRun {
 public:
  // A distribution folder with setup.exe and an empty setup.Dat.
  SetupRun();
  ~SetupRun();

  const std::string& dist() const { return dist_; }
  const std::string& log_path() const { return log_; }
  // Starts "setup.exe <arguments>" from the distribution folder.
  bool Start(const std::string& arguments);
  driver::Process& process() { return process_; }
  // The visible main window of this run, or nullptr after the timeout.
  HWND WaitForMainWindow(driver::Milliseconds timeout = driver::kDefaultTimeout);
  // A control of the main window by component name (fails the test when missing).
  HWND Control(HWND main, const std::string& name);
  std::string Log() const { return ReadFile(log_); }
  // The value of `name=` in the setup's start-up detection line ("" if none).
  std::string Detected(const std::string& name) const;

 private:
  std::string dist_;
  std::string log_;
  driver::Process process_;
};

}  // namespace e2e
