#include "engine/install_product.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "engine/extract_data_file.h"
#include "engine/file_helpers.h"
#include "engine/path_text.h"
#include "engine/version_compare.h"
#include "mailclient/installation_report.h"
#include "messages/setup_messages.h"
#include "platform/install_services.h"
#include "platform/running_servers.h"
#include "platform/service_control.h"
#include "platform/system_family.h"
#include "serverconf/config_store.h"
#include "serverconf/demo_configuration.h"
#include "serverconf/webserver_config.h"
#include "setup/advanced_registry.h"
#include "win32/log.h"
#include "win32/serve_sent_messages.h"
#include "win32/win32_error.h"

namespace engine {
namespace {

// Under the product key while an upgrade runs: the version it started from.
constexpr char kUpgradingFromValue[] = "UpgradingFrom";

// After the pending messages ran, the servers get this long to settle before
// the report goes through the local one.
constexpr DWORD kBeforeReportMs = 2000;

// The window's progress display, which puts the mail server back as it was
// before a failure ends the setup: once the servers are about to be stopped,
// the ones running are noted; a fatal error starts them again and restores
// the remembered start types before the window shows its box.
class RecoveringProgress final : public InstallProgress {
 public:
  RecoveringProgress(InstallWindow& window, const setup::SetupState& state,
                     const platform::ServiceInstallState& services)
      : window_(window), state_(state), services_(services) {}

  // The text is drawn at once, yet a window system may put a thread's
  // drawing on the screen only when that thread next looks for messages
  // (Wine does): the step that follows may block for seconds (a server
  // that does not stop, a large container), so the messages are looked at
  // once more, and the new text is on the screen before that step begins.
  void SetProgressText(const std::string& text) override {
    window_.SetProgressText(text);
    window_.ProcessMessages();
  }
  void StepProgress() override { window_.StepProgress(); }
  void FatalError(const std::string& text, unsigned exit_code) override {
    RecoverServers();
    window_.FatalError(text, exit_code);
  }

  void NoteRunningServers() {
    for (size_t row = 0; row < platform::kServerCount; ++row)
      ran_[row] = platform::IsRunningPresence(platform::IsServerRunning(row));
    armed_ = true;
  }
  // The servers run again and are the installation's own business from here.
  void Disarm() { armed_ = false; }

  // Starts the servers that ran again and puts the remembered start types
  // back, once, when the servers were stopped and not yet started again.
  void RecoverServers() {
    if (!armed_) return;
    armed_ = false;
    for (size_t row = 0; row < platform::kServerCount; ++row) {
      if (!ran_[row]) continue;
      win32::LogLine("installation failed: starting " + std::string(platform::ServiceTable[row].ServiceName) +
                     " again");
      platform::StartServer(state_.InstallFolder, row);
    }
    platform::RestoreStartTypes(state_, services_);
  }

 private:
  InstallWindow& window_;
  const setup::SetupState& state_;
  const platform::ServiceInstallState& services_;
  std::array<bool, platform::kServerCount> ran_{};
  bool armed_ = false;
};

class Installation {
 public:
  Installation(InstallWindow& window, setup::SetupState& state, const InstallChoices& choices, InstallParts& parts)
      : window_(window), state_(state), choices_(choices), parts_(parts), progress_(window, state, services_) {}

  void RecoverServers() { progress_.RecoverServers(); }

  void Run() {
    // The installing page is drawn before the checks that read the whole
    // distribution run.
    window_.ProcessMessages();
    serverconf::ConvertRegistry(true);
    WriteComponentFlags();
    SetInstallFolder();
    state_.ConfigPresentAtDestination = IsDirectory(Install() + "config\\");
    ResumeInterruptedUpgrade();
    // A damaged or truncated container is found before anything is stopped
    // or changed, so that a bad download leaves the mail server running.
    if (!DistributionIntact(progress_, state_, state_.ProgramDir)) return;
    RememberStartTypes();
    Step();  // 1
    StopRunningServers();
    Step();  // 2
    if (!ExtractSetupData()) return;
    if (state_.EditionRedetected) serverconf::SaveServerConfig();
    Step();  // 3
    if (!InstallFiles(progress_, parts_.components, state_, FilePaths())) return;
    Step();  // 4
    ExtractTarnoMcb(state_, state_.ProgramDir);
    Step();  // 5
    if (!state_.ConfigPresentAtDestination) PrepareNewInstallation();
    Step();  // 6
    if (state_.EditionSelectable) StoreEditionChoice();
    Step();  // 7
    if (WebServerConfigOutdated()) serverconf::UpdateWebServerConfig(Install());
    Step();  // 8
    Step();  // 9
    // The new version is registered here, the commands of the versions
    // passed over go out at the end: a run ending in between leaves a note.
    // A note that cannot be written is logged; the installation goes on.
    if (!state_.PreviousVersion.empty()) parts_.product_key.TryWriteString(kUpgradingFromValue, state_.PreviousVersion);
    CreateIconsAndUninstallEntry();
    Step();  // 10
    RemoveDeselectedComponents(state_);
    InstallAndStartServices();
    Step();  // 11
    RemoveExtractedTree(staging_);
    LetServersSettle();
    SendInstallationReport();
    Step();  // 12
    progress_.SetProgressText(setup::Messages().cFinished);
    state_.ServersNotStarted = !platform::CheckServicesStarted(state_, services_);
    RestoreStartTypes();
    SendUpgradeCommands(state_.PreviousVersion, parts_.commands);
    if (!state_.PreviousVersion.empty()) parts_.product_key.TryWriteString(kUpgradingFromValue, "");
    if (state_.OldWebMailDetected) window_.ShowWarning(setup::Messages().cSetupRequireWebMail);
  }

 private:
  const std::string& Install() const { return state_.InstallFolder; }
  bool Upgrading() const { return state_.ConfigPresentAtDestination && platform::IsNtFamily(); }
  void Step() { window_.StepProgress(); }

  // The five writes share one guard: the first failing write ends them.
  void WriteComponentFlags() {
    const bool flags[] = {state_.NoInstallIM, state_.NoInstallWebMail, state_.NoInstallCalendar,
                          state_.NoInstallAV, state_.NoInstallIAS};
    try {
      for (size_t i = 0; i < std::size(flags); ++i) parts_.product_key.WriteBool(kComponentFlagNames[i], flags[i]);
    } catch (const std::exception& error) {
      win32::LogLine(std::string("installation: component choices not all written: ") + error.what());
    }
  }

  void SetInstallFolder() {
    state_.InstallFolder = AdjustTrailingBackslash(choices_.destination_dir, true, false);
    serverconf::SetInstallPath(state_.InstallFolder);
  }


  // An upgrade that ended between registering the new version and sending
  // the version-gated commands left the version it started from: this run
  // upgrades from that version, not from the one registered.
  void ResumeInterruptedUpgrade() {
    if (!state_.ConfigPresentAtDestination) return;
    std::vector<std::string> names;
    parts_.product_key.GetValueNames(names);
    if (std::find(names.begin(), names.end(), kUpgradingFromValue) == names.end()) return;
    const std::string from = parts_.product_key.ReadString(kUpgradingFromValue);
    if (from.empty()) return;
    win32::LogLine("installation: an interrupted upgrade from " + from + " is completed");
    state_.PreviousVersion = from;
    state_.PreviousOlderThan827 = !VersionAtLeast(from, "8.2.7");
  }

  void RememberStartTypes() {
    services_.Reset();
    if (Upgrading()) platform::RememberAndEnableStartTypes(services_);
  }

  void StopRunningServers() {
    progress_.NoteRunningServers();
    platform::CheckRunningServers(state_, services_, progress_);
    platform::CheckRunningServers(state_, services_, progress_);
  }

  bool ExtractSetupData() {
    staging_ = engine::ExtractSetupData(progress_, state_.ProgramDir);
    return !staging_.empty();
  }

  FileStagePaths FilePaths() const { return {staging_, state_.ProgramDir, choices_.program_file}; }

  void PrepareNewInstallation() {
    ExtractDemoData(state_, staging_);
    serverconf::PrepareDemoConfiguration(Install());
    new_installation_ = true;
  }

  void StoreEditionChoice() {
    serverconf::StoreEditionChoice(choices_.edition, choices_.console_mode, state_.ConfigPresentAtDestination,
                                   Install());
  }

  bool WebServerConfigOutdated() const {
    return state_.ConfigPresentAtDestination &&
           PreviousVersionBelow(state_.PreviousVersion, kWebServerConfigUpdateBelow);
  }

  void CreateIconsAndUninstallEntry() {
    platform::IconsAndUninstallInput input;
    input.install_dir = Install();
    input.setup_file_name = choices_.program_file;
    input.web_mail_installed = state_.WebMailInstalled;
    input.nt_family = platform::IsNtFamily();
    input.user_name = choices_.user_name;
    input.user_email = choices_.user_email;
    input.user_company = choices_.user_company;
    input.user_country = choices_.user_country;
    platform::CreateIconsAndUninstallEntry(progress_,
                                           {parts_.shell_folders, parts_.uninstall_key, parts_.product_key}, input);
  }

  void InstallAndStartServices() {
    platform::InstallAndStartServices(state_, services_, progress_, parts_.com);
    progress_.Disarm();
  }

  void LetServersSettle() {
    window_.ProcessMessages();
    ::Sleep(kBeforeReportMs);
  }

  void SendInstallationReport() {
    const setup::SetupMessages& text = setup::Messages();
    mailclient::InstallationReport report;
    report.UserName = choices_.user_name;
    report.UserEmail = choices_.user_email;
    report.UserCompany = choices_.user_company;
    report.UserCountry = choices_.user_country;
    report.ProductName = text.cName;
    report.Version = setup::kSetupVersion;
    report.Upgrade = state_.ConfigPresentAtDestination;
    report.PreviousVersion = state_.PreviousVersion;
    report.Subject = state_.WindowCaption;
    report.DemoMessage = text.DemoMsg;
    report.DemoMessageSubject = text.DemoMsgSubject;
    report.ReportMailHost = parts_.report_endpoints.report_mail_host;
    report.LocalMailHost = parts_.report_endpoints.local_mail_host;
    // A slow mail server may hold each reply for a minute: meanwhile the
    // window answers what is sent to it rather than looking hung.
    win32::RunServingSentMessages(
        [&] { mailclient::SendInstallationReport(parts_.mail, report, new_installation_); });
  }

  void RestoreStartTypes() {
    if (Upgrading()) platform::RestoreStartTypes(state_, services_);
  }

  InstallWindow& window_;
  setup::SetupState& state_;
  const InstallChoices& choices_;
  InstallParts& parts_;
  platform::ServiceInstallState services_;
  RecoveringProgress progress_;
  std::string staging_;
  bool new_installation_ = false;
};

}  // namespace

void InstallProduct(InstallWindow& window, setup::SetupState& state, const InstallChoices& choices,
                    InstallParts& parts) {
  Installation installation(window, state, choices, parts);
  try {
    installation.Run();
  } catch (...) {
    // An error that ends the sequence early (a registry value that cannot be
    // written, say) must not leave the mail server down either.
    installation.RecoverServers();
    throw;
  }
}

}  // namespace engine
