#include "ui/application.h"

#include <commctrl.h>

#include "ui/form.h"
#include "win32/log.h"

namespace ui {

Application::Application() : Component("", "TApplication") {}

Application& Application::Instance() {
  static Application* app = new Application();  // lives until the process ends
  return *app;
}

void Application::Initialize() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_TAB_CLASSES |
                                            ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_USEREX_CLASSES};
  ::InitCommonControlsEx(&icc);
  Form::RegisterContainerClass("TApplication", nullptr);
  window_ = ::CreateWindowExA(WS_EX_TOOLWINDOW, "TApplication", title_.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, ::GetModuleHandleA(nullptr), nullptr);
}

void Application::SetTitle(const std::string& title) {
  title_ = title;
  if (window_ != nullptr) ::SetWindowTextA(window_, title.c_str());
}

std::string DescribeException(std::exception_ptr error) {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
  return {};
}

void Application::HandleException(std::exception_ptr error) {
  win32::LogLine("unhandled error in an event handler: " + DescribeException(error));
  try {
    if (OnException) {
      OnException(error);
    } else {
      std::string text = DescribeException(error);
      ::MessageBoxA(main_form_ ? main_form_->handle() : nullptr, text.c_str(), title_.c_str(),
                    MB_OK | MB_ICONERROR | MB_TASKMODAL);
    }
  } catch (...) {
    // The handler itself failed; there is nowhere further to report it.
  }
}

bool Application::PreviewKey(const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_CHAR) return false;
  HWND root = ::GetAncestor(message.hwnd, GA_ROOT);
  auto* form = dynamic_cast<Form*>(Control::FromHandle(root));
  if (form == nullptr || !form->key_preview) return false;
  if (message.wParam != VK_ESCAPE) return false;
  // Escape is one key press on its key-down. The key-down is not translated,
  // so a character 27 can only come from a sender that also sent the key-down:
  // it is dropped rather than counted twice.
  if (message.message == WM_CHAR) return true;
  try {
    form->FormKeyPress(static_cast<char>(VK_ESCAPE));
  } catch (...) {
    HandleException(std::current_exception());
  }
  return true;
}

bool Application::ProcessNextMessage() {
  if (terminated_) return false;
  MSG message;
  BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
  if (got == 0 || got == -1) {
    terminated_ = true;
    return false;
  }
  Dispatch(message);
  return !terminated_;
}

void Application::ProcessMessages() {
  MSG message;
  while (!terminated_ && ::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      terminated_ = true;
      ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    Dispatch(message);
  }
}

void Application::Dispatch(MSG& message) {
  if (PreviewKey(message)) return;
  HWND root = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (root != nullptr && Control::FromHandle(root) != nullptr && ::IsDialogMessageA(root, &message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageA(&message);
}

int Application::Run() {
  if (main_form_ != nullptr) {
    try {
      main_form_->Show();
    } catch (...) {
      HandleException(std::current_exception());
    }
  }
  while (ProcessNextMessage()) {
  }
  return 0;
}

void Application::Terminate() {
  terminated_ = true;
  ::PostQuitMessage(0);
}

}  // namespace ui
