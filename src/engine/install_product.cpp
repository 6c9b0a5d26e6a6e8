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

// An upgrade that ended between registering the new version and sending
// the version-gated commands left the version it started from: this run
// upgrades from that version, not from the one registered.
void ResumeInterruptedUpgrade(setup::SetupState& state, setup::TAdvancedRegistry& product_key) {
  if (!state.ConfigPresentAtDestination) return;
  std::vector<std::string> names;
  product_key.GetValueNames(names);
  if (std::find(names.begin(), names.end(), kUpgradingFromValue) == names.end()) return;
  const std::string from = product_key.ReadString(kUpgradingFromValue);
  if (from.empty()) return;
  win32::LogLine("installation: an interrupted upgrade from " + from + " is completed");
  state.PreviousVersion = from;
  state.PreviousOlderThan827 = !VersionAtLeast(from, "8.2.7");
}

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
      : window_(window),
        state_(state),
        choices_(choices),
        parts_(parts),
        progress_(window, state, services_),
        placer_(progress_) {}

  void RecoverServers() { progress_.RecoverServers(); }

  void Run() {
    // The installing page is drawn before the checks that read the whole
    // distribution run.
    window_.ProcessMessages();
    const InstallPlanInputs inputs = DetectForInstallation(state_, choices_, parts_.product_key);
    serverconf::SetInstallPath(state_.InstallFolder);
    roots_ = ProductPlanRoots(state_, "");
    const InstallPlan plan =
        PlanInstallation(inputs.detection, inputs.request, inputs.distribution, setup::Messages());
    state_.WebMailInstalled = plan.web_mail_installed;
    services_.Reset();
    for (const PlanStep& step : plan.steps)
      if (!Apply(step)) return;
  }

 private:
  const std::string& Install() const { return state_.InstallFolder; }

  // One step of the plan; false when it ended the installation.
  bool Apply(const PlanStep& step) {
    switch (step.kind) {
      case StepKind::kConvertRegistry:
        serverconf::ConvertRegistry(true);
        return true;
      case StepKind::kWriteComponentFlags:
        WriteComponentFlags(step);
        return true;
      case StepKind::kCheckContainers:
        return DistributionIntact(progress_, roots_.program, step.containers);
      case StepKind::kRememberStartTypes:
        platform::RememberAndEnableStartTypes(services_);
        return true;
      case StepKind::kProgressStep:
        window_.StepProgress();
        return true;
      case StepKind::kStopServers:
        progress_.NoteRunningServers();
        platform::CheckRunningServers(state_, services_, progress_);
        platform::CheckRunningServers(state_, services_, progress_);
        return true;
      case StepKind::kExtractSetupData:
        roots_.staging = engine::ExtractSetupData(progress_, state_.ProgramDir);
        return !roots_.staging.empty();
      case StepKind::kSaveServerConfig:
        serverconf::SaveServerConfig();
        return true;
      case StepKind::kPrepareDemoConfiguration:
        serverconf::PrepareDemoConfiguration(Install());
        return true;
      case StepKind::kStoreEditionChoice:
        serverconf::StoreEditionChoice(choices_.edition, choices_.console_mode, state_.ConfigPresentAtDestination,
                                       Install());
        return true;
      case StepKind::kUpdateWebServerConfig:
        serverconf::UpdateWebServerConfig(Install());
        return true;
      case StepKind::kNoteUpgradingFrom:
        // A note that cannot be written is logged; the installation goes on.
        parts_.product_key.TryWriteString(kUpgradingFromValue, step.name);
        return true;
      case StepKind::kCreateIconsAndUninstallEntry:
        CreateIconsAndUninstallEntry(step);
        return true;
      case StepKind::kInstallAndStartServices:
        platform::InstallAndStartServices(state_, services_, progress_, parts_.com);
        // The servers run again and are the installation's own business from here.
        progress_.Disarm();
        return true;
      case StepKind::kRemoveStaging:
        RemoveExtractedTree(roots_.staging);
        return true;
      case StepKind::kWaitBeforeReport:
        window_.ProcessMessages();
        ::Sleep(kBeforeReportMs);
        return true;
      case StepKind::kSendReport:
        SendInstallationReport(step.flag);
        return true;
      case StepKind::kCheckServicesStarted:
        state_.ServersNotStarted = !platform::CheckServicesStarted(state_, services_);
        return true;
      case StepKind::kRestoreStartTypes:
        platform::RestoreStartTypes(state_, services_);
        return true;
      case StepKind::kServerCommand:
        parts_.commands.ServerCommand(step.command.server, step.command.message, step.command.first,
                                      step.command.second);
        return true;
      case StepKind::kClearUpgradingFrom:
        parts_.product_key.TryWriteString(kUpgradingFromValue, "");
        return true;
      case StepKind::kWarnOldWebMail:
        window_.ShowWarning(step.name);
        return true;
      default: {
        FileStageParts files{progress_, placer_, parts_.components, roots_};
        return ApplyFileStep(step, files);
      }
    }
  }

  // The five writes share one guard: the first failing write ends them.
  void WriteComponentFlags(const PlanStep& step) {
    try {
      for (const auto& [name, value] : step.flags) parts_.product_key.WriteBool(name, value);
    } catch (const std::exception& error) {
      win32::LogLine(std::string("installation: component choices not all written: ") + error.what());
    }
  }

  void CreateIconsAndUninstallEntry(const PlanStep& step) {
    platform::IconsAndUninstallInput input;
    input.install_dir = Install();
    input.setup_file_name = step.name;
    input.web_mail_installed = step.flag;
    input.nt_family = step.nt_family;
    input.user_name = choices_.user_name;
    input.user_email = choices_.user_email;
    input.user_company = choices_.user_company;
    input.user_country = choices_.user_country;
    platform::CreateIconsAndUninstallEntry(progress_,
                                           {parts_.shell_folders, parts_.uninstall_key, parts_.product_key}, input);
  }

  void SendInstallationReport(bool new_installation) {
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
        [&] { mailclient::SendInstallationReport(parts_.mail, report, new_installation); });
  }

  InstallWindow& window_;
  setup::SetupState& state_;
  const InstallChoices& choices_;
  InstallParts& parts_;
  platform::ServiceInstallState services_;
  RecoveringProgress progress_;
  StagedFilePlacer placer_;
  PlanRoots roots_;
};

}  // namespace

InstallPlanInputs DetectForInstallation(setup::SetupState& state, const InstallChoices& choices,
                                        setup::TAdvancedRegistry& product_key) {
  state.InstallFolder = AdjustTrailingBackslash(choices.destination_dir, true, false);
  InstallPlanInputs inputs;
  InstallDetection& d = inputs.detection;
  ProbeDestination(state.InstallFolder, d);
  state.ConfigPresentAtDestination = d.config_present;
  ResumeInterruptedUpgrade(state, product_key);
  d.previous_version = state.PreviousVersion;
  d.edition_selectable = state.EditionSelectable;
  d.edition_redetected = state.EditionRedetected;
  d.previous_older_than_827 = state.PreviousOlderThan827;
  d.old_web_mail_detected = state.OldWebMailDetected;
  d.nt_family = platform::IsNtFamily();

  FileStagePaths paths;
  paths.program_file = choices.program_file;
  inputs.request = FileStageRequest(state, paths);
  inputs.request.edition = choices.edition;
  inputs.request.basic_console = choices.console_mode == serverconf::InterfaceMode::kBasic;
  inputs.distribution = ProbeDistribution(state.ProgramDir);
  return inputs;
}

PlanRoots ProductPlanRoots(const setup::SetupState& state, const std::string& staging) {
  PlanRoots roots;
  roots.install = state.InstallFolder;
  roots.staging = staging;
  roots.program = AdjustTrailingBackslash(state.ProgramDir, true, false);
  roots.windows = GetSpecialDirectory(SpecialDirectoryKind::kWindows);
  roots.setup_version = setup::kSetupVersion;
  return roots;
}

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
