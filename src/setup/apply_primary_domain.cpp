#include "setup/apply_primary_domain.h"

#include <windows.h>

#include "serverconf/primary_domain.h"
#include "setup/wizard_form.h"
#include "win32/log.h"

namespace setup {

bool ApplyPrimaryDomain(TWizardForm& wizard, const std::string& install_folder) {
  if (wizard.ShowModal() != IDOK) {
    win32::LogLine("primary domain: the first-run wizard was cancelled; nothing changed");
    return false;
  }
  const serverconf::PrimaryDomainAnswers answers = serverconf::PrimaryDomainAnswers::Gather(
      wizard.NameEdit->Caption(), wizard.OtherEdit->Caption(), wizard.EmailEdit->Caption(),
      wizard.PassEdit->Caption());
  return serverconf::ApplyPrimaryDomainAnswers(install_folder, answers);
}

}  // namespace setup
