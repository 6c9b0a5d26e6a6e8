// What the wizard hands over to the rest of the setup when a page is
// entered: the new-version check (entering the licence page), the
// installation sequence (the installing page) and the post-install actions
// (after the finish page). The wizard calls the implementation set here; a
// test sets a double of its own, the program keeps the product's.
#pragma once

#include <string>

#include "engine/install_product.h"
#include "setup/setup_state.h"
#include "setup/startup.h"

namespace setup {

class TMainForm;

// The answer of the new-version check. `ok` false: the check failed and
// nothing is to be shown; the other fields then mean nothing.
struct NewVersionInfo {
  bool ok = false;
  std::string download_url;
  std::string latest_version;
  std::string release_date;
};

class WizardActions {
 public:
  virtual ~WizardActions() = default;
  // Reads the product list at `url` and returns the entry of `product_tag`.
  virtual NewVersionInfo CheckNewVersion(const std::string& url, const std::string& product_tag) = 0;
  // Runs the installation, reporting through the main window's installing
  // page; it reports its own errors to the user.
  virtual void InstallProduct(TMainForm& form) = 0;
  // Runs the chosen finish-page actions; the product's ends the program.
  virtual void RunPostInstallActions(TMainForm& form) = 0;
};

// The implementation the wizard calls: the one last set, or the product's.
WizardActions& CurrentWizardActions();
// Makes `actions` (not owned; nullptr: the product's own) the one the wizard
// calls and returns the one set before (nullptr when that was the product's).
WizardActions* SetWizardActions(WizardActions* actions);

// The installation's choices as the wizard's pages show them: destination,
// edition and console mode, user details, and the setup program's file name.
engine::InstallChoices InstallChoicesOf(const TMainForm& form);

// The product's installation with `choices`: progress on `form`'s
// installing page, or with no form (an unattended run) only in the log; a
// fatal error ends the run (run_end.h); then the summary is logged. An error
// that escapes the installation is left to the caller.
void RunInstallation(TMainForm* form, SetupState& state, const engine::InstallChoices& choices,
                     SetupRegistries& registries);

// True when `url` is an address the shell may open for a download: an
// "http://" or "https://" address (scheme compared ignoring case) with a host.
bool IsWebAddress(const std::string& url);

}  // namespace setup
