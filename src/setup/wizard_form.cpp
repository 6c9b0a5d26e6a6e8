#include "setup/wizard_form.h"

namespace setup {

TWizardForm::TWizardForm() : Form("WizardForm", "TWizardForm", 544, 367, Frame::kDialog) {
  key_preview = true;
  caption_ = "Wizard";
}

}  // namespace setup
