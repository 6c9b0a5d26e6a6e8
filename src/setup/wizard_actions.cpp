#include "setup/wizard_actions.h"

#include <windows.h>

#include <cctype>

#include "engine/install_adapters.h"
#include "engine/install_product.h"
#include "messages/setup_messages.h"
#include "net/http_download.h"
#include "net/winsock_mail_transport.h"
#include "setup/installation_summary.h"
#include "setup/main_form.h"
#include "setup/post_install_actions.h"
#include "setup/replaceable.h"
#include "setup/run_end.h"
#include "setup/setup_state.h"
#include "setup/startup.h"
#include "win32/end_program.h"
#include "win32/log.h"
#include "win32/notice.h"

namespace setup {
namespace {

// The installation's window: the main window's installing page in the
// wizard, nothing in an unattended run. Each step's text and each advance of
// the bar also go to the log; the texts of single file copies are counted
// there instead, one line for each run of them.
class LoggedInstallWindow final : public engine::InstallWindow {
 public:
  explicit LoggedInstallWindow(TMainForm* form) : form_(form) {}
  ~LoggedInstallWindow() override { LogCopies(); }
  void SetProgressText(const std::string& text) override {
    if (text.rfind(Messages().cCopying, 0) == 0 && !Messages().cCopying.empty()) {
      ++copies_;
    } else {
      LogCopies();
      win32::LogLine("progress: " + OneLine(text));
    }
    if (form_ != nullptr) form_->SetProgressText(text);
  }
  void StepProgress() override {
    LogCopies();
    win32::LogLine("progress: step " + std::to_string(++steps_) + " of " +
                   std::to_string(engine::kInstallProgressSteps));
    if (form_ != nullptr) form_->StepProgress();
  }
  void FatalError(const std::string& text, unsigned exit_code) override {
    LogCopies();
    EndWithFatalError(Owner(), text, exit_code);
  }
  void ProcessMessages() override {
    if (form_ != nullptr) form_->ProcessMessages();
  }
  void ShowWarning(const std::string& text) override {
    win32::ShowNotice(Owner(), text, "Warning", MB_ICONINFORMATION);
  }

 private:
  HWND Owner() const { return form_ != nullptr ? form_->handle() : nullptr; }
  static std::string OneLine(std::string text) {
    for (char& c : text)
      if (c == '\r' || c == '\n') c = ' ';
    return text;
  }
  void LogCopies() {
    if (copies_ > 0) win32::LogLine("progress: " + std::to_string(copies_) + " files copied");
    copies_ = 0;
  }

  TMainForm* form_;
  int steps_ = 0;
  int copies_ = 0;
};

// The report's hosts: the product's, or the one TARNO_REPORT_MAIL_HOST names
// for both (a test installation that must not mail anywhere but this machine).
engine::ReportEndpoints ReportEndpoints() {
  engine::ReportEndpoints endpoints{mailclient::kReportMailHost, mailclient::kLocalMailHost};
  char host[256];
  DWORD n = ::GetEnvironmentVariableA("TARNO_REPORT_MAIL_HOST", host, sizeof(host));
  if (n > 0 && n < sizeof(host)) {
    endpoints.report_mail_host = host;
    endpoints.local_mail_host = host;
    win32::LogLine(std::string("installation: the report goes to ") + host);
  }
  return endpoints;
}

// The product's own actions.
class ProductWizardActions : public WizardActions {
 public:
  NewVersionInfo CheckNewVersion(const std::string& url, const std::string& product_tag) override {
    const serverconf::ProductEntry entry = serverconf::CheckNewVersion(url, product_tag);
    return {entry.ok, entry.download_url, entry.latest_version, entry.release_date};
  }
  void InstallProduct(TMainForm& form) override {
    SetupRegistries registries = form.Registries();
    RunInstallation(&form, form.state, InstallChoicesOf(form), registries);
  }
  void RunPostInstallActions(TMainForm& form) override { setup::RunPostInstallActions(form); }
};

}  // namespace

engine::InstallChoices InstallChoicesOf(const TMainForm& form) {
  engine::InstallChoices choices;
  choices.destination_dir = form.DestinationDir();
  if (form.TarnoProRadio->Checked()) choices.edition = 1;
  else if (form.TarnoStdRadio->Checked()) choices.edition = 0;
  else if (form.TarnoLiteRadio->Checked()) choices.edition = 2;
  choices.console_mode =
      form.AdvancedMode->Checked() ? serverconf::InterfaceMode::kAdvanced : serverconf::InterfaceMode::kBasic;
  choices.user_name = form.NameEdit->Caption();
  choices.user_email = form.EmailEdit->Caption();
  choices.user_company = form.CompanyEdit->Caption();
  choices.user_country = form.CountryEdit->Caption();
  choices.program_file = ProgramFileName();
  return choices;
}

void RunInstallation(TMainForm* form, SetupState& state, const engine::InstallChoices& choices,
                     SetupRegistries& registries) {
  LoggedInstallWindow window(form);
  engine::ProductComponentServices components;
  engine::ProductComRegistrar com;
  engine::ProductServerCommands commands;
  mailclient::WinsockMailTransport mail;
  engine::InstallParts parts{registries.product_key, registries.shell_folders, registries.uninstall_entry,
                             components, com, commands, mail, ReportEndpoints()};
  engine::InstallProduct(window, state, choices, parts);
  LogInstallationSummary(state);
}

WizardActions& CurrentWizardActions() {
  static ProductWizardActions product;
  return Replaceable<WizardActions>::Current(product);
}

WizardActions* SetWizardActions(WizardActions* actions) { return Replaceable<WizardActions>::Replace(actions); }

bool IsWebAddress(const std::string& url) {
  std::string lower;
  for (char c : url.substr(0, 8)) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t host = 0;
  if (lower.rfind("http://", 0) == 0) host = 7;
  else if (lower.rfind("https://", 0) == 0) host = 8;
  else return false;
  if (host >= url.size() || url[host] == '/' || url[host] == '?' || url[host] == '#') return false;
  // No blanks or control characters: the shell would read them as more than an address.
  for (unsigned char c : url)
    if (c <= ' ' || c == 0x7F) return false;
  return true;
}

}  // namespace setup
