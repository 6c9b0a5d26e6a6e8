// Visual components: a Control is a Component with a window behind it.
//
// A control is owned by its form (the component tree the language file
// walks) and placed on a parent control (the window tree). Positions are
// given in 96-DPI units and scaled to the screen's DPI when the window is
// made. Every control window carries its component name (component_name.h)
// so that it can be found from another process.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/component.h"
#include "win32/scoped_handle.h"

namespace ui {

struct Bounds {
  int left = 0, top = 0, width = 0, height = 0;
};

class Form;

class Control : public Component {
 public:
  Control(std::string name, std::string class_name, Control* parent, Bounds bounds);
  ~Control() override;

  HWND handle() const { return handle_; }
  Control* parent() const { return parent_; }
  const std::vector<Control*>& children() const { return children_; }
  Form* form() const;
  const Bounds& bounds() const { return bounds_; }

  // Makes the window (its parent's must exist). Called once, by the form.
  void CreateHandle();

  std::string Caption() const;
  virtual void SetCaption(const std::string& caption);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);

  bool Enabled() const;
  void SetEnabled(bool enabled);
  bool Visible() const;
  void SetVisible(bool visible);
  void BringToFront();
  void SetFocus();

  int tag = 0;
  // The background of this control and, unless they have their own, of the
  // labels, check boxes and radio buttons on it.
  std::optional<COLORREF> color;
  bool bold = false;

  std::function<void(Control& sender)> OnClick;
  std::function<void(Control& sender)> OnChange;

  // A notification (WM_COMMAND code) sent by this control's window.
  virtual void HandleCommand(WORD code);

  // The control behind `window` (one made by this layer), or nullptr.
  static Control* FromHandle(HWND window);

  // The brush for painting the background behind this control, from its own
  // color or the nearest parent's; nullptr for the system's default.
  HBRUSH BackgroundBrush(HDC dc);

 protected:
  struct WindowParams {
    const char* window_class;
    DWORD style;
    DWORD ex_style = 0;
  };
  virtual WindowParams Params() const = 0;
  // Runs after the window exists (items, limits, subclassing).
  virtual void AfterCreate() {}
  void Fire(const std::function<void(Control&)>& handler);

  std::string caption_;

 private:
  Control* parent_;
  Bounds bounds_;
  HWND handle_ = nullptr;
  std::string hint_;
  bool enabled_ = true;
  bool visible_ = true;
  win32::ScopedBrush brush_;  // the background of `color`, made when first asked for
  std::vector<Control*> children_;
};

// DPI scaling of design units and the dialog font of the system.
int Scale(int design_units);
HFONT DialogFont(bool bold);

}  // namespace ui
