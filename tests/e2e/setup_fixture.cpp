#include "setup_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "support/test_files.h"
#include "win32/scoped_handle.h"

namespace e2e {
void WriteString(HKEY root, const std::string& key, const std::string& name, const std::string& value) {
  LSTATUS status = ::RegSetKeyValueA(root, key.c_str(), name.c_str(), REG_SZ, value.c_str(),
                                     static_cast<DWORD>(value.size() + 1));
  ASSERT_EQ(status, ERROR_SUCCESS) << "writing " << key << "\\" << name;
}

void WriteDword(HKEY root, const std::string& key, const std::string& name, DWORD value) {
  LSTATUS status = ::RegSetKeyValueA(root, key.c_str(), name.c_str(), REG_DWORD, &value, sizeof(value));
  ASSERT_EQ(status, ERROR_SUCCESS) << "writing " << key << "\\" << name;
}

void DeleteValue(HKEY root, const std::string& key, const std::string& name) {
  win32::ScopedRegKey handle;
  if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, handle.receive()) == ERROR_SUCCESS)
    ::RegDeleteValueA(handle.get(), name.c_str());
}

void RemoveTree(const std::string& folder) { win32::test_files::RemoveTree(folder); }

std::string TempFolder(const std::string& name) {
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  static int serial = 0;
  std::string folder = std::string(temp) + name + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
                       std::to_string(++serial) + "\\";
  RemoveTree(folder);
  ::CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << content;
  ASSERT_TRUE(file.good()) << "writing " << path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::vector<driver::MessageBoxInfo> AnswerBoxesUntilExit(const driver::Process& process,
                                                         driver::Milliseconds timeout) {
  std::vector<driver::MessageBoxInfo> shown;
  while (process.IsRunning()) {
    HWND box = nullptr;
    driver::WaitUntil([&] {
      box = driver::FindTopLevelWindow({"#32770", "", process.id(), true});
      return box != nullptr || !process.IsRunning();
    }, timeout);
    if (box == nullptr) break;
    shown.push_back(driver::ReadMessageBox(box));
    driver::AnswerMessageBox(box, IDOK);
    driver::WaitForWindowGone(box);
  }
  return shown;
}

SetupRun::SetupRun() : dist_(TempFolder("tarno-dist")) {
  std::string source = driver::ProgramFolder() + "setup.exe";
  EXPECT_TRUE(::CopyFileA(source.c_str(), (dist_ + "setup.exe").c_str(), FALSE))
      << "copying " << source << ": error " << ::GetLastError();
  WriteFile(dist_ + "setup.Dat", "");
  log_ = dist_ + "setup.log";
  ::SetEnvironmentVariableA("TARNO_SETUP_LOG", log_.c_str());
}

SetupRun::~SetupRun() {
  if (process_.IsRunning()) process_.Terminate();
  process_.WaitForExit(driver::Milliseconds(5000));
  ::SetEnvironmentVariableA("TARNO_SETUP_LOG", nullptr);
  RemoveTree(dist_);
}

bool SetupRun::Start(const std::string& arguments) {
  std::string command = driver::Quote(dist_ + "setup.exe");
  if (!arguments.empty()) command += " " + arguments;
  bool started = process_.Start(command, dist_);
  EXPECT_TRUE(started) << "starting " << command << ": " << process_.error();
  return started;
}

HWND SetupRun::WaitForMainWindow(driver::Milliseconds timeout) {
  return driver::WaitForWindow({"TMainForm", kMainCaption, process_.id(), true}, timeout);
}

HWND SetupRun::Control(HWND main, const std::string& name) {
  HWND control = driver::FindControl(main, name);
  EXPECT_NE(control, nullptr) << "no control " << name << " in " << driver::DescribeTree(main);
  return control;
}

std::string SetupRun::Detected(const std::string& name) const {
  std::string log = Log();
  size_t line = log.rfind("start-up: PreviousInstallDir=");
  if (line == std::string::npos) return {};
  size_t end = log.find_first_of("\r\n", line);
  std::string text = log.substr(line, end == std::string::npos ? std::string::npos : end - line);
  size_t at = text.find(" " + name + "=");
  if (at == std::string::npos) at = text.find(": " + name + "=");
  if (at == std::string::npos) return {};
  size_t value = text.find('=', at) + 1;
  size_t stop = text.find(' ', value);
  return text.substr(value, stop == std::string::npos ? std::string::npos : stop - value);
}

namespace {

// The page's title and its three buttons: text, enabled, shown.
std::string PageState(HWND main) {
  std::string state = driver::Text(driver::FindControl(main, "PageCaption"));
  for (const char* button : {"BackButton", "NextButton", "CloseButton"}) {
    HWND window = driver::FindControl(main, button);
    state += std::string("|") + driver::Text(window) + (driver::IsEnabled(window) ? " on" : " off") +
             (driver::IsVisible(window) ? " shown" : " hidden");
  }
  return state;
}

}  // namespace

bool WaitForPage(HWND main, const std::string& panel) {
  bool shown = driver::WaitUntil([&] {
    HWND window = driver::FindControl(main, panel);
    return window != nullptr && driver::IsVisible(window);
  });
  if (!shown) return false;
  std::string last;  // never a page state: the first look only records
  return driver::WaitUntil(
      [&] {
        std::string now = PageState(main);
        bool same = now == last;
        last = now;
        return same;
      },
      driver::kDefaultTimeout, driver::Milliseconds(100));
}

}  // namespace e2e
