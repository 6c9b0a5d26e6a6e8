// Test support for the service and server tests: an installation folder
// holding the suite's programs, message boxes answered from a second thread,
// the installer's progress and COM registration recorded, the other family.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/install_files.h"
#include "platform/com_registrar.h"
#include "platform/system_family.h"
#include "support/test_files.h"
#include "window_driver/window_driver.h"

namespace platform::testing {

inline constexpr const char* kSuitePrograms[] = {"smtp.exe", "pop3.exe",    "control.exe", "im.exe",     "cal.exe",
                                                 "config.exe", "smtpsvc.exe", "tool.exe",    "sendmail.exe"};

// A fresh folder with blanks in its name holding the suite's programs,
// removed again at the end.
class SuiteFolder {
 public:
  SuiteFolder() {
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    dir_ = std::string(temp) + "tarno services " + std::to_string(::GetCurrentProcessId()) + "\\";
    win32::test_files::RemoveTree(dir_);
    ::CreateDirectoryA(dir_.c_str(), nullptr);
    for (const char* program : kSuitePrograms) {
      std::string from = driver::ProgramFolder() + "suite\\" + program;
      EXPECT_TRUE(::CopyFileA(from.c_str(), (dir_ + program).c_str(), FALSE)) << from << " error " << ::GetLastError();
    }
  }
  ~SuiteFolder() {
    // A program still running holds its file; it was started by the test and ends with it.
    driver::WaitUntil([&] {
      win32::test_files::RemoveTree(dir_);
      return !win32::test_files::Exists(dir_);
    }, driver::Milliseconds(5000), driver::Milliseconds(100));
  }
  const std::string& dir() const { return dir_; }
  std::string Log(const std::string& base) const { return win32::test_files::GetFile(dir_ + base + "-commands.log"); }
  void Settings(const std::string& base, const std::string& lines) const {
    win32::test_files::PutFile(dir_ + base + ".ini", "[StandIn]\r\n" + lines);
  }

 private:
  std::string dir_;
};

// Answers every message box of this process with OK and keeps what it showed.
class BoxRecorder {
 public:
  BoxRecorder() : thread_([this] { Run(); }) {}
  ~BoxRecorder() {
    stop_ = true;
    thread_.join();
  }
  std::vector<driver::MessageBoxInfo> boxes() {
    std::lock_guard<std::mutex> hold(lock_);
    return boxes_;
  }
  std::string Texts() {
    std::string all;
    for (const auto& box : boxes()) all += driver::Describe(box) + "\n";
    return all;
  }

 private:
  void Run() {
    while (!stop_) {
      for (HWND box : driver::FindTopLevelWindows({"#32770", "", ::GetCurrentProcessId()})) {
        try {
          driver::MessageBoxInfo info = driver::ReadMessageBox(box);
          driver::AnswerMessageBox(box, IDOK);
          driver::WaitForWindowGone(box);
          std::lock_guard<std::mutex> hold(lock_);
          boxes_.push_back(info);
        } catch (const std::exception& e) {
          ADD_FAILURE() << "answering a box: " << e.what();
        }
      }
      ::Sleep(20);
    }
  }
  std::atomic<bool> stop_{false};
  std::mutex lock_;
  std::vector<driver::MessageBoxInfo> boxes_;
  std::thread thread_;
};

class RecordingProgress : public engine::InstallProgress {
 public:
  void SetProgressText(const std::string& text) override { texts.push_back(text); }
  void StepProgress() override {}
  void FatalError(const std::string& text, unsigned) override { ADD_FAILURE() << "fatal error: " << text; }
  std::vector<std::string> texts;
};

class RecordingRegistrar : public ComRegistrar {
 public:
  bool RegisterComServer(const std::string& path) override {
    paths.push_back(path);
    return true;
  }
  std::vector<std::string> paths;
};

class OtherFamily : public SystemFamily {
 public:
  bool IsNt() override { return false; }
};

inline double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace platform::testing
