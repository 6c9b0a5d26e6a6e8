#include "win32/serve_sent_messages.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace win32 {
namespace {

// A window of the calling thread that answers one message with a number.
class AnsweringWindow {
 public:
  static constexpr UINT kQuestion = WM_APP + 1;
  static constexpr UINT kPosted = WM_APP + 2;

  AnsweringWindow() {
    WNDCLASSA registration{};
    registration.lpfnWndProc = Procedure;
    registration.hInstance = ::GetModuleHandleA(nullptr);
    registration.lpszClassName = "ServeSentMessagesTest";
    ::RegisterClassA(&registration);
    window_ = ::CreateWindowA("ServeSentMessagesTest", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                              registration.hInstance, nullptr);
  }
  ~AnsweringWindow() { ::DestroyWindow(window_); }
  HWND handle() const { return window_; }
  static int posted_seen;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == kQuestion) return 42;
    if (message == kPosted) ++posted_seen;
    return ::DefWindowProcA(window, message, wparam, lparam);
  }
  HWND window_ = nullptr;
};
int AnsweringWindow::posted_seen = 0;

// Work that asks the waiting thread's window a question gets its answer
// while the wait lasts; what was posted meanwhile is still queued afterwards.
TEST(RunServingSentMessagesTest, AnswersSentMessagesAndKeepsPostedOnesQueued) {
  AnsweringWindow window;
  ASSERT_NE(window.handle(), nullptr) << "error " << ::GetLastError();
  AnsweringWindow::posted_seen = 0;
  DWORD_PTR answer = 0;
  LRESULT sent = 0;
  RunServingSentMessages([&] {
    ::PostMessageA(window.handle(), AnsweringWindow::kPosted, 0, 0);
    sent = ::SendMessageTimeoutA(window.handle(), AnsweringWindow::kQuestion, 0, 0, SMTO_NORMAL, 10000, &answer);
  });
  EXPECT_NE(sent, 0) << "the question was not answered during the wait";
  EXPECT_EQ(answer, 42u);
  EXPECT_EQ(AnsweringWindow::posted_seen, 0) << "a posted message was acted upon during the wait";
  MSG message;
  EXPECT_TRUE(::PeekMessageA(&message, window.handle(), AnsweringWindow::kPosted, AnsweringWindow::kPosted,
                             PM_REMOVE));
}

TEST(RunServingSentMessagesTest, RunsTheWorkOnAnotherThreadAndSurvivesItsException) {
  std::atomic<DWORD> thread{0};
  RunServingSentMessages([&] { thread = ::GetCurrentThreadId(); });
  EXPECT_NE(thread.load(), 0u);
  EXPECT_NE(thread.load(), ::GetCurrentThreadId());
  bool after = false;
  RunServingSentMessages([&] { throw std::runtime_error("failed"); });
  RunServingSentMessages([&] { after = true; });
  EXPECT_TRUE(after);
}

}  // namespace
}  // namespace win32
