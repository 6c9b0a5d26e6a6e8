#include "ui/form.h"

#include <commctrl.h>

#include <set>

#include "ui/application.h"

namespace ui {

void Form::RegisterContainerClass(const std::string& class_name, HBRUSH background) {
  static std::set<std::string> registered;
  if (registered.count(class_name)) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = ContainerProc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  const std::string& icon = Application::Instance().icon_name;
  if (!icon.empty()) wc.hIcon = ::LoadIconA(wc.hInstance, icon.c_str());
  wc.lpszClassName = class_name.c_str();
  if (::RegisterClassExA(&wc) != 0) registered.insert(class_name);
}

Form::Form(std::string name, std::string class_name, int client_width, int client_height, Frame frame)
    : Control(std::move(name), std::move(class_name), nullptr, {0, 0, client_width, client_height}),
      client_width_(client_width),
      client_height_(client_height),
      frame_(frame) {
  RegisterContainerClass(this->class_name(), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

Form::~Form() {
  HWND window = handle();
  // Controls go first (the Component destructor), then the window itself.
  DestroyComponents();
  if (tooltip_ != nullptr) ::DestroyWindow(tooltip_);
  if (window != nullptr && ::IsWindow(window)) ::DestroyWindow(window);
}

Control::WindowParams Form::Params() const {
  DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  DWORD ex_style = WS_EX_CONTROLPARENT;
  if (frame_ == Frame::kSingle) style |= WS_MINIMIZEBOX;
  if (frame_ == Frame::kDialog) ex_style |= WS_EX_DLGMODALFRAME;
  return {class_name().c_str(), style, ex_style};
}

void Form::AfterCreate() {
  // The window was made with the client size as its outer size; grow it so
  // that the client area has the designed size, and centre it.
  RECT frame{0, 0, Scale(client_width_), Scale(client_height_)};
  WindowParams p = Params();
  ::AdjustWindowRectEx(&frame, p.style, FALSE, p.ex_style);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  RECT work{};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  int left = work.left + ((work.right - work.left) - width) / 2;
  int top = work.top + ((work.bottom - work.top) - height) / 2;
  ::SetWindowPos(handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

  tooltip_ = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, handle(), nullptr,
                               ::GetModuleHandleA(nullptr), nullptr);
  if (tooltip_ != nullptr) ::SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scale(360));
}

void Form::UpdateTooltip(Control& control) {
  if (tooltip_ == nullptr || control.handle() == nullptr || &control == this) return;
  TOOLINFOA info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = handle();
  info.uId = reinterpret_cast<UINT_PTR>(control.handle());
  std::string text = control.Hint();
  info.lpszText = text.data();
  ::SendMessageA(tooltip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
  if (!text.empty()) ::SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

Control* Form::ControlById(int id) const {
  for (const auto& component : components()) {
    auto* control = dynamic_cast<Control*>(component.get());
    if (control != nullptr && control->handle() != nullptr &&
        ::GetDlgCtrlID(control->handle()) == id)
      return control;
  }
  return nullptr;
}

void Form::Show() {
  if (!shown_once_) {
    shown_once_ = true;
    FormShow();
  }
  ::ShowWindow(handle(), SW_SHOW);
  ::SetForegroundWindow(handle());
}

void Form::Hide() { ::ShowWindow(handle(), SW_HIDE); }

int Form::ShowModal() {
  modal_result = 0;
  Application& app = Application::Instance();
  std::vector<HWND> disabled;
  for (const auto& component : app.components()) {
    auto* other = dynamic_cast<Form*>(component.get());
    if (other != nullptr && other != this && ::IsWindowVisible(other->handle()) &&
        ::IsWindowEnabled(other->handle())) {
      ::EnableWindow(other->handle(), FALSE);
      disabled.push_back(other->handle());
    }
  }
  Show();
  while (modal_result == 0) {
    if (!app.ProcessNextMessage()) break;
  }
  for (HWND w : disabled) ::EnableWindow(w, TRUE);
  Hide();
  return modal_result;
}

WaitCursor::WaitCursor(Form& form)
    : form_(form), previous_(::SetCursor(::LoadCursorA(nullptr, IDC_WAIT))) {
  ++form_.busy_count_;
}

WaitCursor::~WaitCursor() {
  if (--form_.busy_count_ > 0) return;
  ::SetCursor(previous_ != nullptr ? previous_ : ::LoadCursorA(nullptr, IDC_ARROW));
}

LRESULT CALLBACK Form::ContainerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    ::SetPropA(window, "TarnoControl", create->lpCreateParams);
  }
  Control* self = Control::FromHandle(window);
  try {
    switch (message) {
      case WM_COMMAND: {
        Control* source = Control::FromHandle(reinterpret_cast<HWND>(lparam));
        Form* form = self ? self->form() : nullptr;
        if (source == nullptr && lparam == 0 && form != nullptr) source = form->ControlById(LOWORD(wparam));
        if (source != nullptr) {
          source->HandleCommand(HIWORD(wparam));
          return 0;
        }
        break;
      }
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN: {
        Control* child = Control::FromHandle(reinterpret_cast<HWND>(lparam));
        if (child != nullptr) {
          HDC dc = reinterpret_cast<HDC>(wparam);
          if (HBRUSH brush = child->BackgroundBrush(dc)) return reinterpret_cast<LRESULT>(brush);
        }
        break;
      }
      case WM_ERASEBKGND:
        if (self != nullptr && self->color) {
          RECT r;
          ::GetClientRect(window, &r);
          HDC dc = reinterpret_cast<HDC>(wparam);
          ::FillRect(dc, &r, self->BackgroundBrush(dc));
          return 1;
        }
        break;
      case WM_SETCURSOR: {
        // A control asks its parents first (the default handling), so the
        // form and its panels see the request for every control they hold.
        Form* form = self != nullptr ? self->form() : nullptr;
        if (form != nullptr && form->Busy()) {
          ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
          return TRUE;
        }
        break;
      }
      case DM_GETDEFID: {
        auto* form = dynamic_cast<Form*>(self);
        if (form != nullptr && form->default_button != nullptr && form->default_button->handle() != nullptr)
          return MAKELRESULT(::GetDlgCtrlID(form->default_button->handle()), DC_HASDEFID);
        return 0;
      }
      case WM_CLOSE: {
        auto* form = dynamic_cast<Form*>(self);
        if (form != nullptr) {
          if (form->FormCloseQuery()) {
            if (form == Application::Instance().main_form()) {
              Application::Instance().Terminate();
            } else {
              form->modal_result = form->modal_result ? form->modal_result : IDCANCEL;
              form->Hide();
            }
          }
          return 0;
        }
        break;
      }
      default:
        break;
    }
  } catch (...) {
    Application::Instance().HandleException(std::current_exception());
    return 0;
  }
  return ::DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace ui
