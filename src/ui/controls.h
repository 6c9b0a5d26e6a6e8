// The control classes of the setup's windows. Class names are those the
// language file knows ("TLabel", "TButton", "TRadioButton", ...).
#pragma once

#include <string>
#include <vector>

#include "ui/control.h"

namespace ui {

class TLabel : public Control {
 public:
  TLabel(std::string name, Control* parent, Bounds bounds, std::string caption, bool show_accel_char = true);

 protected:
  WindowParams Params() const override;

 private:
  bool show_accel_char_;
};

class TButton : public Control {
 public:
  TButton(std::string name, Control* parent, Bounds bounds, std::string caption);
  // Presses the button as a click would.
  void Click() { Fire(OnClick); }

 protected:
  WindowParams Params() const override;
};

// Check boxes and radio buttons fire OnClick whenever they become checked,
// whether the user clicked them or the program set them.
class TCheckBox : public Control {
 public:
  TCheckBox(std::string name, Control* parent, Bounds bounds, std::string caption, bool checked);
  bool Checked() const;
  virtual void SetChecked(bool checked);
  void HandleCommand(WORD code) override;

 protected:
  TCheckBox(std::string name, std::string class_name, Control* parent, Bounds bounds, std::string caption,
            bool checked);
  WindowParams Params() const override;
  void AfterCreate() override;
  bool checked_;
};

// Radio buttons with the same parent form one group: checking one unchecks the others.
class TRadioButton : public TCheckBox {
 public:
  TRadioButton(std::string name, Control* parent, Bounds bounds, std::string caption, bool checked);
  void SetChecked(bool checked) override;
  void HandleCommand(WORD code) override;

 protected:
  WindowParams Params() const override;
};

class TGroupBox : public Control {
 public:
  TGroupBox(std::string name, Control* parent, Bounds bounds, std::string caption);

 protected:
  WindowParams Params() const override;
  void AfterCreate() override;
};

// A plain container. TDynPanel is the translatable kind: its caption is not
// drawn but carries the page title, and the language file translates it.
class TPanel : public Control {
 public:
  TPanel(std::string name, Control* parent, Bounds bounds);

 protected:
  TPanel(std::string name, std::string class_name, Control* parent, Bounds bounds);
  WindowParams Params() const override;
};

class TDynPanel : public TPanel {
 public:
  TDynPanel(std::string name, Control* parent, Bounds bounds, std::string caption);
};

// A horizontal etched line between the bands of a window.
class TBevel : public Control {
 public:
  TBevel(std::string name, Control* parent, Bounds bounds);

 protected:
  WindowParams Params() const override;
};

class TEdit : public Control {
 public:
  TEdit(std::string name, Control* parent, Bounds bounds, std::string text = "");
  void HandleCommand(WORD code) override;
  void SelectAll();

 protected:
  WindowParams Params() const override;
};

// A multi-line, read-only text.
class TMemo : public Control {
 public:
  // `scroll_bar`: a vertical scroll bar, for texts longer than the box.
  TMemo(std::string name, Control* parent, Bounds bounds, std::string text = "", bool scroll_bar = true);
  // Replaces the text by `lines`, joined with CR LF.
  void SetLines(const std::vector<std::string>& lines);

 protected:
  WindowParams Params() const override;

 private:
  bool scroll_bar_;
};

class TImage : public Control {
 public:
  TImage(std::string name, Control* parent, Bounds bounds, std::string bitmap_resource);

 protected:
  WindowParams Params() const override;
  void AfterCreate() override;

 private:
  std::string bitmap_resource_;
  // The static control shows the bitmap but does not own it.
  win32::ScopedBitmap bitmap_;
};

class TProgressBar : public Control {
 public:
  TProgressBar(std::string name, Control* parent, Bounds bounds, int max, int step);
  int Position() const;
  void SetPosition(int position);
  int Max() const { return max_; }
  // Advances by the step, stopping at the maximum.
  void StepIt();

 protected:
  WindowParams Params() const override;
  void AfterCreate() override;

 private:
  int max_, step_;
};

// List controls: items are byte strings; the selected index is -1 when none.
class TComboBox : public Control {
 public:
  TComboBox(std::string name, Control* parent, Bounds bounds, std::vector<std::string> items = {});
  std::vector<std::string> Items() const;
  void SetItems(const std::vector<std::string>& items);
  int ItemIndex() const;
  void SetItemIndex(int index);
  void HandleCommand(WORD code) override;

 protected:
  WindowParams Params() const override;
  void AfterCreate() override;

 private:
  std::vector<std::string> items_;
};

// A list whose items carry a check box each (an owner-drawn list box), as
// the components page uses it. Besides its check mark an item can be
// disabled: it is drawn greyed and the user cannot toggle it. The checked
// state of each item is also kept as its item data (1 or 0), so that another
// process can read it with LB_GETITEMDATA. A user toggles an enabled item by
// clicking its check box or by pressing Space on the selected item; OnClick
// fires after each such toggle (not for SetChecked).
class TCheckListBox : public Control {
 public:
  TCheckListBox(std::string name, Control* parent, Bounds bounds, std::vector<std::string> items = {});
  ~TCheckListBox() override;

  int Count() const { return static_cast<int>(items_.size()); }
  std::vector<std::string> Items() const;
  // Renames item `index`; its check mark, enabled state and the selection
  // stay. An index outside the list does nothing.
  void SetItemText(int index, const std::string& text);
  // Index checks: an index outside the list reads as unchecked and disabled,
  // and setting it does nothing.
  bool Checked(int index) const;
  void SetChecked(int index, bool checked);
  bool ItemEnabled(int index) const;
  void SetItemEnabled(int index, bool enabled);
  int ItemIndex() const;
  void SetItemIndex(int index);
  // Toggles an enabled item as the user's click does, firing OnClick.
  void Toggle(int index);

 protected:
  WindowParams Params() const override;
  void AfterCreate() override;

 private:
  struct Item {
    std::string text;
    bool checked = false;
    bool enabled = true;
  };
  static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                   DWORD_PTR data);
  static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                     DWORD_PTR data);
  void DrawItem(const DRAWITEMSTRUCT& item) const;
  int CheckBoxWidth() const;
  void Repaint(int index) const;

  std::vector<Item> items_;
  HWND subclassed_parent_ = nullptr;
};

}  // namespace ui
