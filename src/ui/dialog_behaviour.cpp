#include "ui/dialog_behaviour.h"

#include <commctrl.h>

#include "ui/application.h"

namespace ui {
namespace {

constexpr char kPreviousProc[] = "TarnoDialogPreviousProc";
constexpr char kFocusControl[] = "TarnoDialogFocus";

bool CanTakeFocus(HWND form, HWND control) {
  return control != nullptr && ::IsWindow(control) && ::IsChild(form, control) && ::IsWindowVisible(control) &&
         ::IsWindowEnabled(control);
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto previous = reinterpret_cast<WNDPROC>(::GetPropA(window, kPreviousProc));
  switch (message) {
    case WM_SHOWWINDOW:
      if (wparam != FALSE && lparam == 0) {
        auto* form = dynamic_cast<Form*>(Control::FromHandle(window));
        if (form != nullptr) {
          try {
            form->FormShow();
          } catch (...) {
            Application::Instance().HandleException(std::current_exception());
          }
        }
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(window, focus)) ::SetPropA(window, kFocusControl, focus);
      }
      break;
    case WM_SETFOCUS: {
      // The form itself got the focus (DefWindowProc gives it to a window
      // being activated): pass it on to the control it belongs to.
      auto focus = static_cast<HWND>(::GetPropA(window, kFocusControl));
      if (CanTakeFocus(window, focus)) {
        ::SetFocus(focus);
        return 0;
      }
      break;
    }
    case WM_NCDESTROY:
      ::RemovePropA(window, kFocusControl);
      ::RemovePropA(window, kPreviousProc);
      ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      break;
    default:
      break;
  }
  return ::CallWindowProcA(previous, window, message, wparam, lparam);
}

}  // namespace

void InstallDialogBehaviour(Form& form) {
  HWND window = form.handle();
  if (window == nullptr || ::GetPropA(window, kPreviousProc) != nullptr) return;
  LONG_PTR previous = ::GetWindowLongPtrA(window, GWLP_WNDPROC);
  ::SetPropA(window, kPreviousProc, reinterpret_cast<HANDLE>(previous));
  ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DialogProc));
}

void FocusControl(Form& form, Control& control) {
  if (form.handle() == nullptr || control.handle() == nullptr) return;
  ::SetPropA(form.handle(), kFocusControl, control.handle());
  // While the form is hidden the focus is given when it is shown (WM_SETFOCUS).
  if (::IsWindowVisible(form.handle())) ::SetFocus(control.handle());
}

void RemoveHintTooltip(Form& form, Control& control) {
  if (form.handle() == nullptr || control.handle() == nullptr) return;
  // The form's tooltip window is a popup it owns.
  HWND tooltip = nullptr;
  for (HWND w = ::FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr); w != nullptr && tooltip == nullptr;
       w = ::FindWindowExA(nullptr, w, TOOLTIPS_CLASSA, nullptr))
    if (::GetWindow(w, GW_OWNER) == form.handle()) tooltip = w;
  if (tooltip == nullptr) return;
  TOOLINFOA info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND;
  info.hwnd = form.handle();
  info.uId = reinterpret_cast<UINT_PTR>(control.handle());
  ::SendMessageA(tooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

}  // namespace ui
