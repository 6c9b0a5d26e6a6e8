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
  TMemo(std::string name, Control* parent, Bounds bounds, std::string text = "");
  // Replaces the text by `lines`, joined with CR LF.
  void SetLines(const std::vector<std::string>& lines);

 protected:
  WindowParams Params() const override;
};

class TImage : public Control {
 public:
  TImage(std::string name, Control* parent, Bounds bounds, std::string bitmap_resource);

 protected:
  WindowParams Params() const override;
  void AfterCreate() override;

 private:
  std::string bitmap_resource_;
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

}  // namespace ui
