#include "setup/unattended_run.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "engine/uninstall.h"
#include "setup/main_form.h"
#include "setup/post_install_actions.h"
#include "setup/setup_state.h"
#include "setup/wizard_actions.h"
#include "setup/wizard_checks.h"
#include "serverconf/primary_domain.h"
#include "ui/application.h"
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

void ApplyEditionAnswers(TMainForm& form, const UnattendedAnswers& answers) {
  if (!form.state.EditionSelectable) {
    if (answers.edition || answers.basic_console)
      win32::LogLine("unattended run: warning: an existing installation keeps its edition and console mode; "
                     "the answers Edition and ConsoleMode are not used");
    return;
  }
  // Choosing an edition picks its usual console mode, as on the wizard's page.
  form.SelectEdition(answers.edition.value_or(1));
  form.TarnoProRadioClick();
  if (answers.basic_console) (*answers.basic_console ? form.BasicMode : form.AdvancedMode)->SetChecked(true);
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

void ApplyUserAnswers(TMainForm& form, const UnattendedAnswers& answers) {
  const struct {
    const std::optional<std::string>& answer;
    ui::TEdit* edit;
  } fields[] = {{answers.user_name, form.NameEdit},
                {answers.user_email, form.EmailEdit},
                {answers.user_company, form.CompanyEdit},
                {answers.user_country, form.CountryEdit}};
  for (const auto& f : fields)
    if (f.answer) f.edit->SetCaption(*f.answer);
  if (!UserDetailsComplete(form.NameEdit->Caption(), form.EmailEdit->Caption()))
    EndWithBadAnswers("the user details are incomplete: [User] Name must not be blank and Email must be an "
                      "address such as ann@example.com (given or installed before: Name=\"" +
                      form.NameEdit->Caption() + "\" Email=\"" + form.EmailEdit->Caption() + "\")");
}

void LogChoices(const TMainForm& form) {
  const SetupState& s = form.state;
  std::ostringstream line;
  line << "unattended run: installing into \"" << form.DestinationDir() << "\" Edition=" << int(form.SelectedEdition())
       << " ConsoleMode=" << (form.BasicMode->Checked() ? "Basic" : "Advanced")
       << " EditionSelectable=" << s.EditionSelectable << " NoInstallWebMail=" << s.NoInstallWebMail
       << " NoInstallIAS=" << s.NoInstallIAS << " NoInstallAV=" << s.NoInstallAV << " NoInstallIM=" << s.NoInstallIM
       << " NoInstallCalendar=" << s.NoInstallCalendar << " Name=\"" << form.NameEdit->Caption() << "\" Email=\""
       << form.EmailEdit->Caption() << "\"";
  win32::LogLine(line.str());
}

void ApplyFirstRunAnswers(const TMainForm& form, const UnattendedAnswers& answers) {
  if (!answers.run_first_run_wizard) return;
  if (form.state.ConfigPresentAtDestination) {
    win32::LogLine("unattended run: warning: the first-run answers are for a new installation; an upgrade keeps "
                   "its configuration");
    return;
  }
  const serverconf::PrimaryDomainAnswers domain = serverconf::PrimaryDomainAnswers::Gather(
      answers.host_name, answers.domain, answers.admin_user, answers.admin_password);
  const bool applied = serverconf::ApplyPrimaryDomainAnswers(form.state.InstallFolder, domain);
  win32::LogLine(applied ? "unattended run: the first-run answers set up the primary domain " + domain.domain
                         : "unattended run: warning: the first-run answers changed nothing");
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

void RunUnattendedInstallation(TMainForm& form, const UnattendedAnswers& answers) {
  form.PathEdit->SetCaption(answers.destination);
  ApplyEditionAnswers(form, answers);
  ApplyComponentAnswers(form.state, answers);
  ApplyUserAnswers(form, answers);
  LogChoices(form);
  try {
    CurrentWizardActions().InstallProduct(form);
  } catch (...) {
    // An interactive run goes on to its finish page here; an unattended one
    // must not report a stopped installation as done.
    win32::LogLine("unattended run: the installation stopped: " + ui::DescribeException(std::current_exception()));
    win32::EndProgram(kExitFatal);
  }
  ApplyFirstRunAnswers(form, answers);
  // Of the finish page's actions only the reload command: nothing is opened.
  form.RunConfig->SetChecked(false);
  form.ShowTutorial->SetChecked(false);
  form.ViewReleaseNotes->SetChecked(false);
  OpenChosenPrograms(form);
  if (form.state.ServersNotStarted) {
    win32::LogLine("unattended run: not every server runs (see the notice above)");
    win32::EndProgram(kExitServersNotStarted);
  }
  win32::LogLine("unattended run: the installation is complete");
  win32::EndProgram(kExitOk);
}

void RunUnattendedUninstall(TMainForm& form) {
  win32::LogLine("unattended run: uninstalling " + form.state.ProgramDir);
  engine::UninstallProduct(form, {*form.AdvancedRegistry, *form.AdvancedRegistryInstall});
  win32::LogLine("unattended run: the uninstall is complete");
  win32::EndProgram(kExitOk);
}

unsigned DeclinedExitCode() { return win32::UnattendedRun() ? kExitDeclined : kExitOk; }

}  // namespace setup
