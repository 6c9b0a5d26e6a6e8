#include "platform/shortcut_plan.h"

namespace platform {

std::vector<PlannedShortcut> PlanShortcuts(const ShortcutPlanInput& input, const setup::SetupMessages& messages) {
  const std::string& dir = input.install_dir;
  const std::string setup_program = dir + input.setup_file_name;
  auto link = [&](const std::string& name) { return input.program_group + name + ".lnk"; };

  std::vector<PlannedShortcut> plan;
  for (const FixedShortcut& row : kFixedShortcuts) plan.push_back({dir + row.target, link(row.name), "", kMainIcon});
  plan.push_back({setup_program, link(messages.UninstallDesc), "/UNINSTALL", kUninstallIcon});
  if (input.web_mail_installed)
    plan.push_back({dir + messages.cWebMailManualFile, link(messages.cWebMailManual), "", kMainIcon});
  // Outside the NT family the servers are programs, started from the menu.
  if (!input.nt_family)
    for (const ServerShortcut& row : kServerShortcuts)
      plan.push_back({dir + row.program, link(messages.*row.name), "", kMainIcon});
  plan.push_back({setup_program, link(messages.cTarnoWebmail), "/WEBMAILLOGON", kWebIcon});
  plan.push_back({setup_program, link(messages.cTarnoWebAdmin), "/WEBADMINLOGON", kWebIcon});
  return plan;
}

std::string ProgramGroupName(const std::string& name) {
  const bool separator = name.find_first_of("\\/:") != std::string::npos;
  const bool only_dots_and_blanks = name.find_first_not_of(". ") == std::string::npos;
  if (separator || only_dots_and_blanks) return setup::SetupMessages().cName;  // its English default
  return name;
}

std::string UninstallCommandLine(const std::string& install_dir, const std::string& setup_file_name) {
  return "\"" + install_dir + setup_file_name + "\" /UNINSTALL";
}

std::string QuietUninstallCommandLine(const std::string& install_dir, const std::string& setup_file_name) {
  return UninstallCommandLine(install_dir, setup_file_name) + " /UNATTENDED";
}

}  // namespace platform
