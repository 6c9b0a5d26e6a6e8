#include "platform/running_servers.h"

#include <string>

#include "engine/install_files.h"
#include "platform/service_control.h"
#include "platform/service_table.h"
#include "platform/system_family.h"
#include "messages/setup_messages.h"
#include "setup/setup_state.h"
#include "win32/notice.h"

namespace platform {
namespace {

constexpr DWORD kSettleMs = 1500;
constexpr char kMicrosoftSmtp[] = "SMTPSVC";

bool IsStopped(std::size_t row) {
  ServerPresence presence = IsServerRunning(row);
  return presence.found && presence.state == SERVICE_STOPPED;
}

}  // namespace

ServerPresence IsServerRunning(std::size_t row) {
  const ServiceRow& server = ServiceTable[row];
  if (!IsNtFamily())
    return {::FindWindowA(server.ServerWindowClass, server.ServerWindowCaption) != nullptr, 0};
  std::optional<DWORD> state = QueryServiceState(server.ServiceName);
  return {state.has_value(), state.value_or(0)};
}

bool IsRunningPresence(const ServerPresence& presence) {
  return presence.found && (!IsNtFamily() || presence.state == SERVICE_RUNNING);
}

void StopServerIfRunning(const std::string& install_dir, std::size_t row) {
  if (IsRunningPresence(IsServerRunning(row))) StopServer(install_dir, row);
}

void ProcessPendingMessages() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

void CheckRunningServers(const setup::SetupState& setup, ServiceInstallState& state,
                         engine::InstallProgress& progress) {
  progress.SetProgressText(setup::Messages().cChecking);
  state.ServicesToCreate.fill(true);
  for (std::size_t row = 0; row < kServerCount; ++row) {
    StopServerIfRunning(setup.InstallFolder, row);
    StopServerIfRunning(setup.InstallFolder, row);
  }
  ProcessPendingMessages();
  ::Sleep(kSettleMs);
  if (!IsNtFamily()) return;

  const ServerChoice choice = ChosenServers(setup);
  if (!choice.im && IsStopped(kImRow)) DeleteServerService(ServiceTable[kImRow].ServiceName);
  const bool old_groupware = IsOldGroupWare(setup.PreviousVersion);
  if ((!choice.groupware || old_groupware) && IsStopped(kCalendarRow))
    DeleteServerService(ServiceTable[kCalendarRow].ServiceName);
  // The earlier program file of that server; it may well be gone already.
  if (old_groupware) ::DeleteFileA((setup.InstallFolder + "calendar.exe").c_str());
  for (std::size_t row = 0; row < kServerCount; ++row)
    if (IsStopped(row)) state.ServicesToCreate[row] = false;
}

bool CheckServicesStarted(const setup::SetupState& setup, const ServiceInstallState& state) {
  if (IsNtFamily()) {
    ServerPresence smtp = IsServerRunning(kSmtpRow);
    std::optional<DWORD> microsoft = QueryServiceState(kMicrosoftSmtp);
    if (smtp.found && smtp.state != SERVICE_RUNNING && microsoft == SERVICE_RUNNING) {
      StopServer(setup.InstallFolder, kSmtpRow, kMicrosoftSmtp);
      DisableService(kMicrosoftSmtp);
      StartServer(setup.InstallFolder, kSmtpRow);
      ::Sleep(kSettleMs);
    }
  }
  std::array<bool, kServerCount> running{};
  for (std::size_t row = 0; row <= kImRow; ++row) running[row] = IsRunningPresence(IsServerRunning(row));
  const std::string list = NotRunningList(running, state.RememberedStartTypes, ChosenServers(setup).im);
  if (list.empty()) return true;
  const std::string text = setup::FormatText(setup::Messages().cNotRunning, {list});
  win32::ShowNotice(nullptr, text, "Warning", MB_ICONWARNING);
  return false;
}

}  // namespace platform
