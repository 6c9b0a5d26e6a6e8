#include "ui/control.h"

#include <commctrl.h>

#include "ui/application.h"
#include "ui/component_name.h"
#include "ui/form.h"

namespace ui {
namespace {
constexpr char kControlProperty[] = "TarnoControl";
}

int Scale(int design_units) {
  static const int dpi = [] {
    win32::ScopedGetDC screen(nullptr);
    int value = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return value > 0 ? value : 96;
  }();
  return ::MulDiv(design_units, dpi, 96);
}

HFONT DialogFont(bool bold) {
  static HFONT fonts[2] = {nullptr, nullptr};
  HFONT& font = fonts[bold ? 1 : 0];
  if (font == nullptr) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    LOGFONTA face{};
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
      face = metrics.lfMessageFont;
    } else {
      ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof(face), &face);
    }
    if (bold) face.lfWeight = FW_BOLD;
    font = ::CreateFontIndirectA(&face);
  }
  return font;
}

Control::Control(std::string name, std::string class_name, Control* parent, Bounds bounds)
    : Component(std::move(name), std::move(class_name)), parent_(parent), bounds_(bounds) {
  if (parent_ != nullptr) parent_->children_.push_back(this);
}

Control::~Control() {
  if (handle_ != nullptr) {
    ClearComponentName(handle_);
    ::RemovePropA(handle_, kControlProperty);
  }
}

Form* Control::form() const {
  for (Component* c = owner(); c != nullptr; c = c->owner())
    if (auto* f = dynamic_cast<Form*>(c)) return f;
  return dynamic_cast<Form*>(const_cast<Control*>(this));
}

Control* Control::FromHandle(HWND window) {
  return window ? static_cast<Control*>(::GetPropA(window, kControlProperty)) : nullptr;
}

void Control::CreateHandle() {
  WindowParams p = Params();
  HWND parent_window = parent_ ? parent_->handle() : nullptr;
  DWORD style = p.style;
  if (parent_window != nullptr) style |= WS_CHILD;
  if (visible_ && parent_window != nullptr) style |= WS_VISIBLE;
  if (!enabled_) style |= WS_DISABLED;
  int id = 0;
  if (parent_window != nullptr && form() != nullptr) id = form()->NextControlId();
  handle_ = ::CreateWindowExA(p.ex_style, p.window_class, caption_.c_str(), style, Scale(bounds_.left),
                              Scale(bounds_.top), Scale(bounds_.width), Scale(bounds_.height),
                              parent_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              ::GetModuleHandleA(nullptr), this);
  if (handle_ == nullptr) return;
  ::SetPropA(handle_, kControlProperty, this);
  SetComponentName(handle_, name());
  ::SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont(bold)), FALSE);
  AfterCreate();
  if (!hint_.empty() && form() != nullptr) form()->UpdateTooltip(*this);
}

std::string Control::Caption() const {
  if (handle_ == nullptr) return caption_;
  int length = ::GetWindowTextLengthA(handle_);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  int n = ::GetWindowTextA(handle_, text.data(), length + 1);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

void Control::SetCaption(const std::string& caption) {
  // An unchanged text is not set again, so that no change event fires for it.
  if (handle_ != nullptr && Caption() == caption) return;
  caption_ = caption;
  if (handle_ != nullptr) ::SetWindowTextA(handle_, caption.c_str());
}

void Control::SetHint(const std::string& hint) {
  hint_ = hint;
  if (handle_ != nullptr && form() != nullptr) form()->UpdateTooltip(*this);
}

bool Control::Enabled() const { return enabled_; }

void Control::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (handle_ != nullptr) ::EnableWindow(handle_, enabled ? TRUE : FALSE);
}

bool Control::Visible() const { return visible_; }

void Control::SetVisible(bool visible) {
  visible_ = visible;
  if (handle_ != nullptr && parent_ != nullptr) ::ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE);
}

void Control::BringToFront() {
  if (handle_ != nullptr)
    ::SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Control::SetFocus() {
  if (handle_ != nullptr) ::SetFocus(handle_);
}

void Control::HandleCommand(WORD code) {
  if (code == BN_CLICKED) Fire(OnClick);
}

void Control::Fire(const std::function<void(Control&)>& handler) {
  if (handler) handler(*this);
}

HBRUSH Control::BackgroundBrush(HDC dc) {
  for (Control* c = this; c != nullptr; c = c->parent_) {
    if (!c->color) continue;
    if (!c->brush_) c->brush_.reset(::CreateSolidBrush(*c->color));
    ::SetBkColor(dc, *c->color);
    return c->brush_.get();
  }
  return nullptr;
}

}  // namespace ui
