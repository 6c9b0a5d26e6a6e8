// The application object: owns the forms (in creation order), carries the
// program's title on its hidden window, runs the message loop, and is the one
// place where an error that escapes an event handler ends up.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

#include "ui/component.h"

namespace ui {

class Form;

class Application : public Component {
 public:
  static Application& Instance();

  // Registers the common controls and makes the hidden window "TApplication".
  void Initialize();
  void SetTitle(const std::string& title);
  // The icon resource of the program's windows, set before the forms are made.
  std::string icon_name;
  const std::string& title() const { return title_; }
  HWND handle() const { return window_; }

  // Creates a form owned by the application; the first one is the main form.
  template <class F, class... Args>
  F* CreateForm(Args&&... args) {
    F* form = Create<F>(std::forward<Args>(args)...);
    form->CreateHandle();
    if (main_form_ == nullptr) main_form_ = form;
    return form;
  }
  Form* main_form() const { return main_form_; }

  // Shows the main form and runs messages until Terminate; returns the exit code.
  int Run();
  // Ends the message loop.
  void Terminate();
  // Takes and dispatches one message (waiting for it); false once the loop must end.
  bool ProcessNextMessage();
  // Dispatches the messages already queued, without waiting.
  void ProcessMessages();

  // Called with every error that escapes an event handler. The default shows
  // the error's text in a message box; replacing it with a handler that
  // ignores the error is what start-up does.
  std::function<void(std::exception_ptr)> OnException;
  void HandleException(std::exception_ptr error);

 private:
  Application();
  bool PreviewKey(const MSG& message);
  void Dispatch(MSG& message);

  std::string title_;
  HWND window_ = nullptr;
  Form* main_form_ = nullptr;
  bool terminated_ = false;
};

// The text of an exception for a message or the log.
std::string DescribeException(std::exception_ptr error);

}  // namespace ui
