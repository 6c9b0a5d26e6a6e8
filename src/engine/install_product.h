// InstallProduct: the one procedure that turns the wizard's choices into an
// installed or upgraded product. It runs on the user-interface thread from
// start to end, reporting on the installing page through InstallWindow, and
// cannot be cancelled.
//
// The progress bar (maximum 12) is advanced exactly 12 times, the last time
// when the installation report has been sent. A failure that ends the setup
// goes through InstallWindow::FatalError; before it does, the servers that
// ran before the installation are started again and the remembered start
// types put back, so that a failed upgrade does not leave the mail server
// down. Any other error (an exception, for example a registry value that
// cannot be written) ends the sequence early and is left to the caller, after
// the servers were put back in the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/install_files.h"
#include "engine/install_plan.h"
#include "engine/install_product_files.h"
#include "engine/upgrade_commands.h"
#include "mailclient/text_mail.h"
#include "platform/com_registrar.h"
#include "platform/icons_and_uninstall_entry.h"
#include "serverconf/config_conversion.h"
#include "setup/setup_state.h"

namespace engine {

// What the sequence needs of the window besides the progress display.
class InstallWindow : public InstallProgress {
 public:
  // Lets the window messages queued for this thread run.
  virtual void ProcessMessages() = 0;
  // Shows `text` in a task-modal box with the caption "Warning" and the
  // information icon; returns when it is closed.
  virtual void ShowWarning(const std::string& text) = 0;
};

// The wizard's choices that are not in SetupState.
struct InstallChoices {
  std::string destination_dir;        // as shown on the destination page
  std::optional<uint8_t> edition;     // 1 Professional, 0 Standard, 2 Lite; none chosen: keep
  serverconf::InterfaceMode console_mode = serverconf::InterfaceMode::kAdvanced;
  std::string user_name, user_email, user_company, user_country;
  std::string program_file;           // the setup program's file name as started
};

// Where the installation report goes (a host text may carry ":port").
struct ReportEndpoints {
  std::string report_mail_host;
  std::string local_mail_host;
};

// The parts of the system the sequence works through.
struct InstallParts {
  setup::TAdvancedRegistry& product_key;    // PathRegistry: the product key
  setup::TAdvancedRegistry& shell_folders;  // AdvancedRegistry: the shell folders
  setup::TAdvancedRegistry& uninstall_key;  // AdvancedRegistryInstall: the uninstall entry
  ComponentServices& components;            // data sources, antivirus engine
  platform::ComRegistrar& com;              // self-registering libraries
  ServerCommandSender& commands;            // commands to the started servers
  mailclient::MailTransport& mail;          // the report's connections
  ReportEndpoints report_endpoints;
};

// What an installation is planned from.
struct InstallPlanInputs {
  InstallDetection detection;
  InstallRequest request;
  DistributionContents distribution;
};

// Fixes state.InstallFolder from the chosen destination and reads what the
// plan needs that start-up did not: the destination's folders
// (state.ConfigPresentAtDestination), and the version an interrupted upgrade
// started from (its "UpgradingFrom" note under the product key replaces
// state.PreviousVersion). Reads only; changes nothing on the machine.
InstallPlanInputs DetectForInstallation(setup::SetupState& state, const InstallChoices& choices,
                                        setup::TAdvancedRegistry& product_key);

// The folders of an installation's plan: state.InstallFolder, `staging`, the
// program's folder and the Windows directory.
PlanRoots ProductPlanRoots(const setup::SetupState& state, const std::string& staging);

// Runs the whole installation: DetectForInstallation, PlanInstallation, and
// each step of the plan in order. `state` is the setup's shared state; the
// sequence sets InstallFolder, ConfigPresentAtDestination and
// WebMailInstalled in it.
void InstallProduct(InstallWindow& window, setup::SetupState& state, const InstallChoices& choices,
                    InstallParts& parts);

}  // namespace engine
