// The demo tools' handshake with scripts/demo.sh: a tool writes
// SIGNAL_DIR/<signal>.ready holding the picture's name and waits until the
// script, having taken the screenshot, deletes the file.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

#include "window_driver/window_driver.h"

namespace demo {

// Asks for the picture `picture` through `ready_file` and returns once it
// was taken. Throws when the file cannot be written or no picture was taken
// within 60 s (`what` names it in the message).
inline void RequestPicture(const std::string& ready_file, const std::string& picture, const std::string& what) {
  HANDLE file =
      ::CreateFileA(ready_file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + ready_file);
  DWORD written = 0;
  ::WriteFile(file, picture.data(), static_cast<DWORD>(picture.size()), &written, nullptr);
  ::CloseHandle(file);
  const bool taken =
      driver::WaitUntil([&] { return ::GetFileAttributesA(ready_file.c_str()) == INVALID_FILE_ATTRIBUTES; },
                        driver::Milliseconds(60000), driver::Milliseconds(100));
  if (!taken) {
    ::DeleteFileA(ready_file.c_str());
    throw std::runtime_error("no " + what + " within 60 s");
  }
}

}  // namespace demo
