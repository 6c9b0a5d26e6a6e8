// TWizardForm: the first-run configuration window ("Wizard") that asks for
// the host name, the primary domain and its administrator. Created hidden at
// program start; shown modally from the finish page. The caller reads
// NameEdit, OtherEdit, EmailEdit and PassEdit when ShowModal answers IDOK;
// Escape, Cancel and the close box answer IDCANCEL.
//
// Pages (WizardPage): 0 host name, 1 primary domain, 2 administrator,
// 3 finish; 4 closes with IDOK. Next is enabled by the input check of the
// page's field group; only the required fields are checked, and only for
// emptiness.
#pragma once

#include <array>

#include "ui/controls.h"
#include "ui/form.h"

namespace setup {

class TWizardForm : public ui::Form {
 public:
  TWizardForm();

  int WizardPage = 0;

  ui::TLabel* TopMenuLabel = nullptr;
  ui::TPanel* NamePanel = nullptr;
  ui::TPanel* OtherPanel = nullptr;
  ui::TPanel* EmailPanel = nullptr;
  ui::TPanel* FinishPanel = nullptr;
  // Edit fields; each one's tag is its group number for the input check.
  ui::TEdit* NameEdit = nullptr;
  ui::TEdit* OtherEdit = nullptr;
  ui::TEdit* EmailEdit = nullptr;
  ui::TEdit* PassEdit = nullptr;
  ui::TButton* PreviousButton = nullptr;
  ui::TButton* NextButton = nullptr;
  ui::TButton* CancelButton = nullptr;

  // Page 0 with the host name, user name and password emptied (the domain keeps its text).
  void FormShow() override;
  // Shows page WizardPage (4 closes with IDOK).
  void ShowPage();
  // Next: one page on, unless done or Next is disabled. Back: one page back, unless on page 0.
  void NextButtonClick();
  void PreviousButtonClick();
  // The change handler of the four edits: the input check for the sender's group.
  void NameEditChange(ui::Control& sender);
  // Enables Next exactly when the required field of `group` is not empty.
  void InputCheck(int group);
  // Escape closes the window with IDCANCEL.
  bool FormKeyPress(char key) override;

 protected:
  void AfterCreate() override;

 private:
  void ShowPanel(ui::TPanel* panel);
  void Focus(ui::Control* control);
};

}  // namespace setup
