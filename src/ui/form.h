// A top-level window of the setup, registered under its class name
// ("TMainForm", "TBrowseFolder", "TWizardForm") so that it can be found with
// FindWindow. A form owns all its controls (in creation order) and routes
// their notifications to them.
#pragma once

#include <windows.h>

#include <string>

#include "ui/control.h"

namespace ui {

class Form : public Control {
 public:
  enum class Frame { kSingle, kDialog };

  Form(std::string name, std::string class_name, int client_width, int client_height, Frame frame);
  ~Form() override;

  // Creates a control owned by this form on `parent` and makes its window.
  template <class T, class... Args>
  T* Add(Args&&... args) {
    T* control = Create<T>(std::forward<Args>(args)...);
    control->CreateHandle();
    return control;
  }

  // The control of this form named `name`, of type T; throws when there is none.
  template <class T>
  T& Get(const std::string& name) const {
    T* control = dynamic_cast<T*>(FindComponent(name));
    if (control == nullptr) throw std::logic_error("no control " + name + " on " + class_name());
    return *control;
  }

  // Runs OnShow the first time, then shows the window centred on the screen.
  void Show();
  void Hide();
  // Shows the form and runs messages until ModalResult is set; returns it.
  int ShowModal();
  int modal_result = 0;

  // Keyboard preview: the form sees keys before its controls do.
  bool key_preview = false;
  // The button that Enter presses, or nullptr.
  Control* default_button = nullptr;

  // Form events, overridden by the concrete forms.
  virtual void FormShow() {}
  // Answers whether the window may close; the default allows it.
  virtual bool FormCloseQuery() { return true; }
  // A key seen through keyboard preview; returns true when the key is consumed.
  virtual bool FormKeyPress(char /*key*/) { return false; }

  // Busy: while work runs inside an event handler, the hourglass shows over
  // the whole window, also when the mouse moves (every WM_SETCURSOR of the
  // form and its controls is answered with it). WaitCursor sets and ends it.
  bool Busy() const { return busy_count_ > 0; }

  int NextControlId() { return next_control_id_++; }
  void UpdateTooltip(Control& control);
  Control* ControlById(int id) const;

  // The window procedure shared by forms and panels.
  static LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // Registers a window class that uses ContainerProc.
  static void RegisterContainerClass(const std::string& class_name, HBRUSH background);

 protected:
  WindowParams Params() const override;
  void AfterCreate() override;

 private:
  int client_width_, client_height_;
  Frame frame_;
  bool shown_once_ = false;
  int next_control_id_ = 100;
  HWND tooltip_ = nullptr;
  int busy_count_ = 0;
  friend class WaitCursor;
};

// Makes `form` busy for its lifetime and shows the hourglass at once. On
// destruction (also when the work in between threw) the form is no longer
// busy and the cursor shown before comes back, or the arrow when there was
// none. Scopes may nest; the outermost one restores.
class WaitCursor {
 public:
  explicit WaitCursor(Form& form);
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  Form& form_;
  HCURSOR previous_;
};

}  // namespace ui
