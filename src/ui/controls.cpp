#include "ui/controls.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/form.h"

namespace ui {
namespace {

WNDPROC g_button_proc = nullptr;

// Group boxes contain controls, but the system's button window does not pass
// its children's notifications on; they are routed like a panel's.
LRESULT CALLBACK GroupBoxProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return Form::ContainerProc(window, message, wparam, lparam);
    default:
      return ::CallWindowProcA(g_button_proc, window, message, wparam, lparam);
  }
}

}  // namespace

TLabel::TLabel(std::string name, Control* parent, Bounds bounds, std::string caption, bool show_accel_char)
    : Control(std::move(name), "TLabel", parent, bounds), show_accel_char_(show_accel_char) {
  caption_ = std::move(caption);
}

Control::WindowParams TLabel::Params() const {
  return {"STATIC", static_cast<DWORD>(SS_LEFT | (show_accel_char_ ? 0 : SS_NOPREFIX))};
}

TButton::TButton(std::string name, Control* parent, Bounds bounds, std::string caption)
    : Control(std::move(name), "TButton", parent, bounds) {
  caption_ = std::move(caption);
}

Control::WindowParams TButton::Params() const { return {"BUTTON", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP}; }

TCheckBox::TCheckBox(std::string name, Control* parent, Bounds bounds, std::string caption, bool checked)
    : TCheckBox(std::move(name), "TCheckBox", parent, bounds, std::move(caption), checked) {}

TCheckBox::TCheckBox(std::string name, std::string class_name, Control* parent, Bounds bounds,
                     std::string caption, bool checked)
    : Control(std::move(name), std::move(class_name), parent, bounds), checked_(checked) {
  caption_ = std::move(caption);
}

Control::WindowParams TCheckBox::Params() const { return {"BUTTON", BS_CHECKBOX | WS_TABSTOP | WS_GROUP}; }

void TCheckBox::AfterCreate() { ::SendMessageA(handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0); }

bool TCheckBox::Checked() const { return checked_; }

void TCheckBox::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  if (handle() != nullptr) ::SendMessageA(handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  Fire(OnClick);
}

void TCheckBox::HandleCommand(WORD code) {
  if (code == BN_CLICKED) {
    checked_ = !checked_;
    ::SendMessageA(handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
    Fire(OnClick);
  }
}

TRadioButton::TRadioButton(std::string name, Control* parent, Bounds bounds, std::string caption, bool checked)
    : TCheckBox(std::move(name), "TRadioButton", parent, bounds, std::move(caption), checked) {}

Control::WindowParams TRadioButton::Params() const {
  // The program keeps the group's state itself (SetChecked); the system's
  // automatic radio buttons would not know of checks made in code.
  return {"BUTTON", BS_RADIOBUTTON | WS_TABSTOP};
}

void TRadioButton::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  if (handle() != nullptr) ::SendMessageA(handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  if (checked && parent() != nullptr) {
    for (Control* sibling : parent()->children()) {
      auto* radio = dynamic_cast<TRadioButton*>(sibling);
      if (radio != nullptr && radio != this) radio->SetChecked(false);
    }
  }
  if (checked) Fire(OnClick);
}

void TRadioButton::HandleCommand(WORD code) {
  if (code == BN_CLICKED) SetChecked(true);
}

TGroupBox::TGroupBox(std::string name, Control* parent, Bounds bounds, std::string caption)
    : Control(std::move(name), "TGroupBox", parent, bounds) {
  caption_ = std::move(caption);
}

Control::WindowParams TGroupBox::Params() const {
  return {"BUTTON", BS_GROUPBOX | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT};
}

void TGroupBox::AfterCreate() {
  WNDPROC previous = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GroupBoxProc)));
  if (g_button_proc == nullptr) g_button_proc = previous;
}

TPanel::TPanel(std::string name, Control* parent, Bounds bounds)
    : TPanel(std::move(name), "TPanel", parent, bounds) {}

TPanel::TPanel(std::string name, std::string class_name, Control* parent, Bounds bounds)
    : Control(std::move(name), std::move(class_name), parent, bounds) {
  Form::RegisterContainerClass("TPanel", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

Control::WindowParams TPanel::Params() const {
  return {"TPanel", WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT};
}

TDynPanel::TDynPanel(std::string name, Control* parent, Bounds bounds, std::string caption)
    : TPanel(std::move(name), "TDynPanel", parent, bounds) {
  caption_ = std::move(caption);
}

TBevel::TBevel(std::string name, Control* parent, Bounds bounds)
    : Control(std::move(name), "TBevel", parent, bounds) {}

Control::WindowParams TBevel::Params() const { return {"STATIC", SS_ETCHEDHORZ}; }

TEdit::TEdit(std::string name, Control* parent, Bounds bounds, std::string text)
    : Control(std::move(name), "TEdit", parent, bounds) {
  caption_ = std::move(text);
}

Control::WindowParams TEdit::Params() const {
  return {"EDIT", ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE};
}

void TEdit::HandleCommand(WORD code) {
  if (code == EN_CHANGE) Fire(OnChange);
}

void TEdit::SelectAll() {
  if (handle() != nullptr) ::SendMessageA(handle(), EM_SETSEL, 0, -1);
}

TMemo::TMemo(std::string name, Control* parent, Bounds bounds, std::string text)
    : Control(std::move(name), "TMemo", parent, bounds) {
  caption_ = std::move(text);
}

Control::WindowParams TMemo::Params() const {
  return {"EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
          WS_EX_CLIENTEDGE};
}

void TMemo::SetLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  SetCaption(text);
}

TImage::TImage(std::string name, Control* parent, Bounds bounds, std::string bitmap_resource)
    : Control(std::move(name), "TImage", parent, bounds), bitmap_resource_(std::move(bitmap_resource)) {}

Control::WindowParams TImage::Params() const { return {"STATIC", SS_BITMAP | SS_CENTERIMAGE}; }

void TImage::AfterCreate() {
  HANDLE bitmap = ::LoadImageA(::GetModuleHandleA(nullptr), bitmap_resource_.c_str(), IMAGE_BITMAP, 0, 0,
                               LR_DEFAULTCOLOR);
  if (bitmap != nullptr) ::SendMessageA(handle(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
}

TProgressBar::TProgressBar(std::string name, Control* parent, Bounds bounds, int max, int step)
    : Control(std::move(name), "TProgressBar", parent, bounds), max_(max), step_(step) {}

Control::WindowParams TProgressBar::Params() const { return {PROGRESS_CLASSA, 0}; }

void TProgressBar::AfterCreate() {
  ::SendMessageA(handle(), PBM_SETRANGE32, 0, max_);
  ::SendMessageA(handle(), PBM_SETSTEP, step_, 0);
}

int TProgressBar::Position() const {
  return handle() ? static_cast<int>(::SendMessageA(handle(), PBM_GETPOS, 0, 0)) : 0;
}

void TProgressBar::SetPosition(int position) { ::SendMessageA(handle(), PBM_SETPOS, position, 0); }

void TProgressBar::StepIt() {
  // The system's bar starts over from empty when a step passes the end; a
  // bar that is full stays full.
  SetPosition(std::min(Position() + step_, max_));
}

TComboBox::TComboBox(std::string name, Control* parent, Bounds bounds, std::vector<std::string> items)
    : Control(std::move(name), "TComboBox", parent, bounds), items_(std::move(items)) {}

Control::WindowParams TComboBox::Params() const {
  return {"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP};
}

void TComboBox::AfterCreate() { SetItems(items_); }

std::vector<std::string> TComboBox::Items() const { return items_; }

void TComboBox::SetItems(const std::vector<std::string>& items) {
  items_ = items;
  if (handle() == nullptr) return;
  ::SendMessageA(handle(), CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items_)
    ::SendMessageA(handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

int TComboBox::ItemIndex() const {
  return handle() ? static_cast<int>(::SendMessageA(handle(), CB_GETCURSEL, 0, 0)) : -1;
}

void TComboBox::SetItemIndex(int index) { ::SendMessageA(handle(), CB_SETCURSEL, index, 0); }

void TComboBox::HandleCommand(WORD code) {
  if (code == CBN_SELCHANGE) Fire(OnChange);
}

}  // namespace ui
