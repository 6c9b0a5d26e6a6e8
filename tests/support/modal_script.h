// Test support: drives a modal window of this process from a second thread.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "ui/form.h"
#include "window_driver/window_driver.h"

namespace setup {

// Runs `script` on a second thread while this thread runs `modal`, which
// shows `form` modally. Whatever the script does or fails to do, the form
// is closed in the end (answering any box of this process with No or
// Cancel) so that `modal` returns.
inline void RunModal(ui::Form& form, const std::function<void()>& script, const std::function<void()>& modal) {
  HWND window = form.handle();
  std::thread driver_thread([&] {
    try {
      script();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "window driver: " << e.what();
    }
    if (driver::WaitForWindowGone(window, driver::Milliseconds(5000))) return;
    ADD_FAILURE() << "the window was still open after the script: " << driver::Describe(window);
    driver::WaitUntil([&] {
      for (HWND box : driver::FindTopLevelWindows({"#32770", "", ::GetCurrentProcessId()})) {
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      }
      ::PostMessageA(window, WM_CLOSE, 0, 0);
      return !::IsWindowVisible(window);
    }, driver::Milliseconds(10000), driver::Milliseconds(200));
  });
  modal();
  driver_thread.join();
}

}  // namespace setup
