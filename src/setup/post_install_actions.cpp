#include "setup/post_install_actions.h"

#include "platform/server_command.h"
#include "platform/server_command_record.h"
#include "platform/service_table.h"
#include "setup/apply_primary_domain.h"
#include "setup/main_form.h"
#include "setup/setup_state.h"
#include "setup/shell_actions.h"
#include "setup/wizard_form.h"
#include "ui/application.h"
#include "win32/end_program.h"
#include "win32/file_attributes.h"
#include "win32/log.h"

namespace setup {
namespace {

constexpr uint32_t kReloadParameter = 3;

}  // namespace

void RunPostInstallActions(TMainForm& form) {
  RunChosenWizard(form);
  LaunchChosenPrograms(form);
}

void LaunchChosenPrograms(TMainForm& form) {
  OpenChosenPrograms(form);
  win32::EndProgram(kExitOk);
}

void RunChosenWizard(TMainForm& form) {
  if (!form.RunTutorial->Checked()) return;
  auto* wizard = dynamic_cast<TWizardForm*>(ui::Application::Instance().FindComponent("WizardForm"));
  if (wizard == nullptr) {
    win32::LogLine("post-install actions: the first-run wizard window is missing; it is skipped");
    return;
  }
  const bool applied = ApplyPrimaryDomain(*wizard, form.state.InstallFolder);
  win32::LogLine(applied ? "post-install actions: the first-run wizard set up the primary domain"
                         : "post-install actions: the first-run wizard changed nothing");
}

void SendReloadCommand() {
  if (!platform::ServerCommand(platform::kControlRow, platform::kServerReloadMessage, kReloadParameter, 0))
    win32::LogLine("post-install actions: the reload command did not reach the control server");
}

void OpenChosenPrograms(TMainForm& form) {
  const std::string& install = form.state.InstallFolder;
  SendReloadCommand();
  ShellActions& shell = CurrentShellActions();
  if (form.ViewReleaseNotes->Checked()) shell.Open(form.handle(), install + "releasenotes.txt");
  const std::string tutorial = install + "tutorial\\index.html";
  if (form.ShowTutorial->Checked() && win32::FileExists(tutorial)) shell.Open(form.handle(), tutorial);
  if (form.RunConfig->Checked()) shell.Open(form.handle(), install + "config.exe");
}

}  // namespace setup
