#include "ui/controls.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/application.h"
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

TMemo::TMemo(std::string name, Control* parent, Bounds bounds, std::string text, bool scroll_bar)
    : Control(std::move(name), "TMemo", parent, bounds), scroll_bar_(scroll_bar) {
  caption_ = std::move(text);
}

Control::WindowParams TMemo::Params() const {
  DWORD style = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_TABSTOP | WS_GROUP;
  if (scroll_bar_) style |= WS_VSCROLL;
  return {"EDIT", style, WS_EX_CLIENTEDGE};
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
  bitmap_.reset(static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), bitmap_resource_.c_str(),
                                                  IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
  if (bitmap_) ::SendMessageA(handle(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap_.get()));
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

TCheckListBox::TCheckListBox(std::string name, Control* parent, Bounds bounds, std::vector<std::string> items)
    : Control(std::move(name), "TCheckListBox", parent, bounds) {
  for (std::string& text : items) items_.push_back({std::move(text), false, true});
}

TCheckListBox::~TCheckListBox() {
  if (subclassed_parent_ != nullptr && ::IsWindow(subclassed_parent_))
    ::RemoveWindowSubclass(subclassed_parent_, ParentProc, reinterpret_cast<UINT_PTR>(this));
  if (handle() != nullptr && ::IsWindow(handle()))
    ::RemoveWindowSubclass(handle(), ListProc, reinterpret_cast<UINT_PTR>(this));
}

Control::WindowParams TCheckListBox::Params() const {
  return {"LISTBOX",
          LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY | WS_VSCROLL | WS_TABSTOP |
              WS_GROUP,
          WS_EX_CLIENTEDGE};
}

void TCheckListBox::AfterCreate() {
  // The list asks its parent to measure and draw the items; the parent's own
  // window procedure knows nothing of check boxes, so this list answers those
  // two requests for its own items in front of it.
  if (parent() != nullptr && parent()->handle() != nullptr &&
      ::SetWindowSubclass(parent()->handle(), ParentProc, reinterpret_cast<UINT_PTR>(this),
                          reinterpret_cast<DWORD_PTR>(this)))
    subclassed_parent_ = parent()->handle();
  ::SetWindowSubclass(handle(), ListProc, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this));

  TEXTMETRICA metrics{};
  {
    win32::ScopedGetDC dc(handle());
    HGDIOBJ old = ::SelectObject(dc.get(), DialogFont(false));
    ::GetTextMetricsA(dc.get(), &metrics);
    ::SelectObject(dc.get(), old);
  }
  int height = std::max<int>(Scale(16), metrics.tmHeight + Scale(2));
  ::SendMessageA(handle(), LB_SETITEMHEIGHT, 0, height);

  for (size_t i = 0; i < items_.size(); ++i) {
    LRESULT index = ::SendMessageA(handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items_[i].text.c_str()));
    if (index >= 0) ::SendMessageA(handle(), LB_SETITEMDATA, index, items_[i].checked ? 1 : 0);
  }
}

std::vector<std::string> TCheckListBox::Items() const {
  std::vector<std::string> texts;
  for (const Item& item : items_) texts.push_back(item.text);
  return texts;
}

void TCheckListBox::SetItemText(int index, const std::string& text) {
  if (index < 0 || index >= Count()) return;
  Item& item = items_[static_cast<size_t>(index)];
  item.text = text;
  if (handle() == nullptr) return;
  // A list box renames an item only by replacing it; the replacement gets
  // the item's data (its check mark) and the selection back.
  const LRESULT selected = ::SendMessageA(handle(), LB_GETCURSEL, 0, 0);
  ::SendMessageA(handle(), LB_DELETESTRING, index, 0);
  const LRESULT inserted =
      ::SendMessageA(handle(), LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(item.text.c_str()));
  if (inserted >= 0) ::SendMessageA(handle(), LB_SETITEMDATA, inserted, item.checked ? 1 : 0);
  if (selected == index) ::SendMessageA(handle(), LB_SETCURSEL, index, 0);
}

bool TCheckListBox::Checked(int index) const {
  return index >= 0 && index < Count() && items_[static_cast<size_t>(index)].checked;
}

void TCheckListBox::SetChecked(int index, bool checked) {
  if (index < 0 || index >= Count()) return;
  items_[static_cast<size_t>(index)].checked = checked;
  if (handle() != nullptr) {
    ::SendMessageA(handle(), LB_SETITEMDATA, index, checked ? 1 : 0);
    Repaint(index);
  }
}

bool TCheckListBox::ItemEnabled(int index) const {
  return index >= 0 && index < Count() && items_[static_cast<size_t>(index)].enabled;
}

void TCheckListBox::SetItemEnabled(int index, bool enabled) {
  if (index < 0 || index >= Count()) return;
  items_[static_cast<size_t>(index)].enabled = enabled;
  Repaint(index);
}

int TCheckListBox::ItemIndex() const {
  return handle() ? static_cast<int>(::SendMessageA(handle(), LB_GETCURSEL, 0, 0)) : -1;
}

void TCheckListBox::SetItemIndex(int index) {
  if (handle() != nullptr) ::SendMessageA(handle(), LB_SETCURSEL, index, 0);
}

void TCheckListBox::Toggle(int index) {
  if (!ItemEnabled(index)) return;
  SetChecked(index, !Checked(index));
  Fire(OnClick);
}

int TCheckListBox::CheckBoxWidth() const {
  int height = handle() ? static_cast<int>(::SendMessageA(handle(), LB_GETITEMHEIGHT, 0, 0)) : Scale(16);
  return height + Scale(4);
}

void TCheckListBox::Repaint(int index) const {
  RECT area{};
  if (handle() != nullptr && ::SendMessageA(handle(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&area)) != LB_ERR)
    ::InvalidateRect(handle(), &area, TRUE);
}

void TCheckListBox::DrawItem(const DRAWITEMSTRUCT& draw) const {
  HDC dc = draw.hDC;
  RECT area = draw.rcItem;
  ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_WINDOW));
  if (draw.itemID == static_cast<UINT>(-1) || static_cast<int>(draw.itemID) >= Count()) {
    if (draw.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &area);
    return;
  }
  const Item& item = items_[draw.itemID];
  const int box_side = (area.bottom - area.top) - Scale(3);
  RECT box{area.left + Scale(2), area.top + (area.bottom - area.top - box_side) / 2, 0, 0};
  box.right = box.left + box_side;
  box.bottom = box.top + box_side;
  UINT state = DFCS_BUTTONCHECK | DFCS_FLAT;
  if (item.checked) state |= DFCS_CHECKED;
  if (!item.enabled) state |= DFCS_INACTIVE;
  ::DrawFrameControl(dc, &box, DFC_BUTTON, state);

  RECT text = area;
  text.left += CheckBoxWidth();
  const bool selected = (draw.itemState & ODS_SELECTED) != 0;
  ::FillRect(dc, &text, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  ::SetBkMode(dc, TRANSPARENT);
  // A selected item reads in the highlight's own colour even when disabled:
  // grey on the highlight cannot be read; its check box shows it is fixed.
  ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : !item.enabled ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
  HGDIOBJ old = ::SelectObject(dc, DialogFont(false));
  RECT inner = text;
  inner.left += Scale(2);
  ::DrawTextA(dc, item.text.c_str(), static_cast<int>(item.text.size()), &inner,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  ::SelectObject(dc, old);
  if (draw.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &text);
}

LRESULT CALLBACK TCheckListBox::ParentProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                           DWORD_PTR data) {
  auto* self = reinterpret_cast<TCheckListBox*>(data);
  if (message == WM_DRAWITEM) {
    const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
    if (draw != nullptr && draw->hwndItem == self->handle()) {
      self->DrawItem(*draw);
      return TRUE;
    }
  }
  return ::DefSubclassProc(window, message, wparam, lparam);
}

LRESULT CALLBACK TCheckListBox::ListProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                         DWORD_PTR data) {
  auto* self = reinterpret_cast<TCheckListBox*>(data);
  try {
    switch (message) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        // The list selects the item first; a press on its check box then toggles it.
        LRESULT result = ::DefSubclassProc(window, message, wparam, lparam);
        LRESULT hit = ::SendMessageA(window, LB_ITEMFROMPOINT, 0, lparam);
        if (HIWORD(hit) == 0 && static_cast<short>(LOWORD(lparam)) < self->CheckBoxWidth())
          self->Toggle(LOWORD(hit));
        return result;
      }
      case WM_KEYDOWN:
        if (wparam == VK_SPACE) {
          self->Toggle(self->ItemIndex());
          return 0;
        }
        break;
      case WM_CHAR:
        // Space toggles; the list's own type-ahead search must not see it.
        if (wparam == ' ') return 0;
        break;
      case WM_NCDESTROY:
        ::RemoveWindowSubclass(window, ListProc, id);
        break;
      default:
        break;
    }
  } catch (...) {
    // An event handler's error must not leave the window procedure.
    Application::Instance().HandleException(std::current_exception());
    return 0;
  }
  return ::DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace ui
