// TWizardForm: the first-run configuration window ("Wizard") that asks for
// the host name, the primary domain and its administrator. Created hidden at
// program start; shown modally from the finish page.
#pragma once

#include "ui/form.h"

namespace setup {

class TWizardForm : public ui::Form {
 public:
  TWizardForm();
};

}  // namespace setup
