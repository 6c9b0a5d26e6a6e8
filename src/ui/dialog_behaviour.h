// Dialog-box behaviour for a form that is shown modally, possibly more than
// once, from another window:
// - FormShow runs every time the window is shown (Form::Show runs it only the
//   first time), so the form can set itself up for each use;
// - the keyboard focus goes back to the control that had it last, or to the
//   one named with RememberFocus, whenever the window gets the focus again
//   (when it is shown, and after a message box it opened has closed).
// - a control whose hint is data rather than help (a page's title kept in its
//   panel's hint) can have the hint's tooltip taken away again.
// An error escaping FormShow goes to Application::HandleException.
#pragma once

#include "ui/form.h"

namespace ui {

// Called once, after the form's window exists (AfterCreate).
void InstallDialogBehaviour(Form& form);
// Gives `control` the focus and keeps it as the control to return to.
void FocusControl(Form& form, Control& control);
// Removes the tooltip the form shows for `control`'s hint; the hint stays.
// Call it again after the hint was set again (a translation).
void RemoveHintTooltip(Form& form, Control& control);

}  // namespace ui
