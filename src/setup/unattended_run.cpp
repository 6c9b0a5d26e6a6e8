#include "setup/unattended_run.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "engine/extract_data_file.h"
#include "engine/install_plan.h"
#include "engine/install_product.h"
#include "engine/install_product_files.h"
#include "engine/path_text.h"
#include "engine/uninstall.h"
#include "platform/program_group.h"
#include "messages/setup_messages.h"
#include "setup/post_install_actions.h"
#include "setup/run_end.h"
#include "setup/startup.h"
#include "setup/setup_state.h"
#include "setup/wizard_actions.h"
#include "setup/wizard_checks.h"
#include "serverconf/primary_domain.h"
#include "win32/end_program.h"
#include "win32/log.h"
#include "win32/notice.h"
#include "win32/win32_error.h"

namespace setup {
namespace {

[[noreturn]] void EndWithBadAnswers(const std::string& why) {
  win32::LogLine("unattended run: " + why + "; nothing was changed");
  win32::EndProgram(kExitBadAnswers);
}

std::string ReadAnswersText(const std::string& path) {
  if (path.empty()) EndWithBadAnswers("no answers file: an unattended installation needs /ANSWERS=<file>");
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    const DWORD error = attributes == INVALID_FILE_ATTRIBUTES ? ::GetLastError() : ERROR_ACCESS_DENIED;
    EndWithBadAnswers("the answers file \"" + path + "\" cannot be read: " + win32::ErrorText(error));
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) EndWithBadAnswers("the answers file \"" + path + "\" cannot be opened");
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The choices the wizard's pages would have left, from the answers and,
// where they are silent, from what start-up found: the destination; edition
// and console mode when they may be chosen (an edition picks its usual
// console mode, as on the wizard's page), else the installation's own; the
// user details, which must be complete as the wizard asks.
engine::InstallChoices ChoicesFromAnswers(const SetupState& s, const InstallationFound& found,
                                          const UnattendedAnswers& answers) {
  engine::InstallChoices choices;
  choices.destination_dir = answers.destination;
  bool basic = false;
  if (s.EditionSelectable) {
    const uint8_t edition = answers.edition.value_or(1);
    choices.edition = edition;
    basic = answers.basic_console.value_or(edition != 1);
  } else {
    if (answers.edition || answers.basic_console)
      win32::LogLine("unattended run: warning: an existing installation keeps its edition and console mode; "
                     "the answers Edition and ConsoleMode are not used");
    // As the wizard's radios show them: an edition byte they have no radio
    // for leaves Professional.
    choices.edition = found.edition && *found.edition <= 2 ? *found.edition : 1;
    basic = found.basic_console.value_or(false);
  }
  choices.console_mode = basic ? serverconf::InterfaceMode::kBasic : serverconf::InterfaceMode::kAdvanced;
  choices.user_name = answers.user_name.value_or(found.user_name);
  choices.user_email = answers.user_email.value_or(found.user_email);
  choices.user_company = answers.user_company.value_or(found.user_company);
  choices.user_country = answers.user_country.value_or(found.user_country);
  if (!UserDetailsComplete(choices.user_name, choices.user_email))
    EndWithBadAnswers("the user details are incomplete: [User] Name must not be blank and Email must be an "
                      "address such as ann@example.com (given or installed before: Name=\"" +
                      choices.user_name + "\" Email=\"" + choices.user_email + "\")");
  choices.program_file = ProgramFileName();
  return choices;
}

void ApplyComponentAnswers(SetupState& s, const UnattendedAnswers& answers) {
  const struct {
    const std::optional<bool>& chosen;
    bool& excluded;
  } components[] = {{answers.web_mail, s.NoInstallWebMail},
                    {answers.anti_spam, s.NoInstallIAS},
                    {answers.anti_virus, s.NoInstallAV},
                    {answers.instant_messaging, s.NoInstallIM},
                    {answers.groupware, s.NoInstallCalendar}};
  for (const auto& c : components)
    if (c.chosen) c.excluded = !*c.chosen;
}

void LogChoices(const SetupState& s, const engine::InstallChoices& choices) {
  std::ostringstream line;
  line << "unattended run: installing into \"" << choices.destination_dir << "\" Edition=" << int(choices.edition.value_or(1))
       << " ConsoleMode=" << (choices.console_mode == serverconf::InterfaceMode::kBasic ? "Basic" : "Advanced")
       << " EditionSelectable=" << s.EditionSelectable << " NoInstallWebMail=" << s.NoInstallWebMail
       << " NoInstallIAS=" << s.NoInstallIAS << " NoInstallAV=" << s.NoInstallAV << " NoInstallIM=" << s.NoInstallIM
       << " NoInstallCalendar=" << s.NoInstallCalendar << " Name=\"" << choices.user_name << "\" Email=\""
       << choices.user_email << "\"";
  win32::LogLine(line.str());
}

void ApplyFirstRunAnswers(const SetupState& s, const UnattendedAnswers& answers) {
  if (!answers.run_first_run_wizard) return;
  if (s.ConfigPresentAtDestination) {
    win32::LogLine("unattended run: warning: the first-run answers are for a new installation; an upgrade keeps "
                   "its configuration");
    return;
  }
  const serverconf::PrimaryDomainAnswers domain = serverconf::PrimaryDomainAnswers::Gather(
      answers.host_name, answers.domain, answers.admin_user, answers.admin_password);
  const bool applied = serverconf::ApplyPrimaryDomainAnswers(s.InstallFolder, domain);
  win32::LogLine(applied ? "unattended run: the first-run answers set up the primary domain " + domain.domain
                         : "unattended run: warning: the first-run answers changed nothing");
}

// The dry run: the plan the installation would apply, one line for each
// file, tree, service, registry value, data source, link and server command,
// in order. Only reads: the destination, the product key and the
// distribution's containers, which are read through as the real run reads
// them before its first change.
[[noreturn]] void LogInstallationPlan(SetupState& s, const engine::InstallChoices& choices,
                                      SetupRegistries& registries) {
  const engine::InstallPlanInputs inputs = engine::DetectForInstallation(s, choices, registries.product_key);
  const engine::InstallPlan plan =
      engine::PlanInstallation(inputs.detection, inputs.request, inputs.distribution, Messages());
  engine::PlanRoots roots = engine::ProductPlanRoots(s, engine::StagingDirectoryPath(s.ProgramDir));
  roots.program_group = platform::ProgramGroupFolder(registries.shell_folders);
  win32::LogLine(std::string("dry run: ") + (inputs.detection.config_present ? "an upgrade of " : "a new installation into ") +
                 s.InstallFolder + (s.PreviousVersion.empty() ? "" : " from " + s.PreviousVersion) + ", " +
                 std::to_string(plan.steps.size()) + " steps");
  for (const engine::PlanStep& step : plan.steps) {
    if (step.kind == engine::StepKind::kCheckContainers) {
      for (const std::string& name : step.containers) {
        if (engine::ContainerIntact(roots.program + name)) continue;  // why not is logged there
        win32::LogLine("dry run: the distribution is damaged (" + roots.program + name + "); nothing was changed");
        win32::EndProgram(kExitDamagedDistribution);
      }
    }
    for (const std::string& line : engine::DescribePlanStep(step, roots, Messages())) win32::LogLine("plan: " + line);
  }
  win32::LogLine("dry run: the plan is complete; nothing was changed");
  win32::EndProgram(kExitOk);
}

}  // namespace

std::optional<UnattendedAnswers> ReadUnattendedAnswers(const RunSwitches& switches) {
  const StartMode mode = ClassifyStartMode(switches.args);
  const bool installation = mode == StartMode::kWizard || mode == StartMode::kSilentWizard;
  if (!switches.unattended || !installation) {
    if (switches.answers_given)
      win32::LogLine("start-up: /ANSWERS= is for an unattended installation (/UNATTENDED); it is not used");
    return std::nullopt;
  }
  const std::string path = switches.answers_file;
  AnswersReading reading = ParseAnswers(ReadAnswersText(path));
  if (!reading.answers) EndWithBadAnswers("the answers file \"" + path + "\": " + reading.error);
  win32::LogLine("unattended run: the answers file \"" + path + "\" was read");
  return reading.answers;
}

void RunUnattendedInstallation(SetupState& state, SetupRegistries& registries, const InstallationFound& found,
                               const UnattendedAnswers& answers, bool dry_run) {
  ApplyComponentAnswers(state, answers);
  const engine::InstallChoices choices = ChoicesFromAnswers(state, found, answers);
  LogChoices(state, choices);
  if (dry_run) LogInstallationPlan(state, choices, registries);
  try {
    RunInstallation(nullptr, state, choices, registries);
  } catch (...) {
    EndWithInstallationError(nullptr, std::current_exception());
  }
  ApplyFirstRunAnswers(state, answers);
  // Of the finish page's actions only the reload command: nothing is opened.
  SendReloadCommand();
  if (state.ServersNotStarted) {
    win32::LogLine("unattended run: not every server runs (see the notice above)");
    win32::EndProgram(kExitServersNotStarted);
  }
  win32::LogLine("unattended run: the installation is complete");
  win32::EndProgram(kExitOk);
}

void RunUnattendedUninstall(engine::UninstallWindow& window, const engine::UninstallKeys& keys,
                            const SetupState& state) {
  win32::LogLine("unattended run: uninstalling " + state.ProgramDir);
  engine::UninstallProduct(window, keys);
  win32::LogLine("unattended run: the uninstall is complete");
  win32::EndProgram(kExitOk);
}

void LoggedUninstallWindow::ShowInformation(const std::string& text) {
  win32::ShowNotice(nullptr, text, "Information", MB_ICONINFORMATION);
}

unsigned DeclinedExitCode() { return win32::UnattendedRun() ? kExitDeclined : kExitOk; }

}  // namespace setup
