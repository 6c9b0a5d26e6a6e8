#include "win32/serve_sent_messages.h"

#include <windows.h>

#include <exception>
#include <system_error>
#include <thread>

#include "win32/log.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace win32 {

void RunServingSentMessages(const std::function<void()>& work) {
  ScopedHandle done(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!done) {
    LogFailure("create the event of a background wait", "", ::GetLastError());
    work();
    return;
  }
  std::thread worker;
  try {
    worker = std::thread([&] {
      try {
        work();
      } catch (const std::exception& error) {
        LogLine(std::string("background work failed: ") + error.what());
      } catch (...) {
        LogLine("background work failed");
      }
      ::SetEvent(done.get());
    });
  } catch (const std::system_error& error) {
    LogLine(std::string("no thread for background work: ") + error.what());
    work();
    return;
  }
  HANDLE handle = done.get();
  // A sent message wakes the wait; peeking delivers it (and every other one
  // sent meanwhile) without taking anything posted off the queue.
  while (::MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  worker.join();
}

}  // namespace win32
