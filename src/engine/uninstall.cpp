#include "engine/uninstall.h"

#include <windows.h>

#include <optional>
#include <string_view>
#include <vector>

#include "engine/file_helpers.h"
#include "engine/install_product_files.h"
#include "messages/setup_messages.h"
#include "platform/com_registration.h"
#include "platform/program_group.h"
#include "platform/product_keys.h"
#include "platform/running_servers.h"
#include "platform/service_control.h"
#include "platform/service_table.h"
#include "platform/system_family.h"
#include "serverconf/av_setup_interface.h"
#include "setup/advanced_registry.h"
#include "win32/log.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace engine {
namespace {

constexpr DWORD kPauseAfterStopMs = 1500;


void StopServers(const std::string& program_dir) {
  for (std::size_t row = 0; row < platform::kServerCount; ++row)
    platform::StopServerIfRunning(program_dir, row);
}

void DeleteStoppedServices() {
  if (!platform::IsNtFamily()) return;
  for (const platform::ServiceRow& row : platform::ServiceTable) {
    const std::optional<DWORD> state = platform::QueryServiceState(row.ServiceName);
    if (state && *state == SERVICE_STOPPED) {
      platform::DeleteServerService(row.ServiceName);
    } else {
      win32::LogLine(std::string("uninstall: service ") + row.ServiceName +
                     (state ? " is not stopped (state " + std::to_string(*state) + "); it stays" : " is not there"));
    }
  }
}

// The group where the installation put it (ProgramGroupFolder).
void DeleteProgramGroup(setup::TAdvancedRegistry& shell_folders) {
  const std::string group = platform::ProgramGroupFolder(shell_folders);
  if (group.empty()) return;
  if (!DeleteDirectoryTree(group)) win32::LogLine("uninstall: the program group " + group + " was not removed whole");
}

// The entry with whatever keys a tool added below it; a failure is logged
// where it happens.
void DeleteUninstallEntry(setup::TAdvancedRegistry& entry) {
  entry.SetRegistryRootKey(setup::TRegistryKey::hkLOCAL_MACHINE);
  entry.DeleteKey(entry.KeyPath());
}

// The engine's own interface in the installation removes the engine; its
// answer changes nothing about the deletion that follows.
void UninstallAvEngine(const std::string& interface_dir) {
  if (serverconf::LoadAvSetupInterface(interface_dir)) {
    if (!serverconf::UninstallAvEngine())
      win32::LogLine("uninstall: the antivirus engine answered code " + std::to_string(serverconf::LastAvResultCode()) +
                     " status " + std::to_string(serverconf::LastAvStatus()));
  }
  serverconf::UnloadAvSetupInterface();
}

// A removal of the plan, or the engine's own uninstall.
void ApplyRemovalOrEngineStep(const PlanStep& step, const PlanRoots& roots) {
  if (step.kind == StepKind::kUninstallAvEngine) {
    UninstallAvEngine(ResolvePlanPath(step.target, roots));
  } else if (!ApplyRemovalStep(step, roots)) {
    win32::LogLine("uninstall: step kind " + std::to_string(static_cast<int>(step.kind)) + " skipped");
  }
}

// What the final message asks the administrator to remove by hand, named.
void LogLeftOver(const std::vector<PlanStep>& plan, const PlanRoots& roots) {
  std::string left;
  for (const PlanStep& step : plan) {
    if (step.kind != StepKind::kDeleteFile && step.kind != StepKind::kDeleteTree) continue;
    if (::GetFileAttributesA(ResolvePlanPath(step.target, roots).c_str()) != INVALID_FILE_ATTRIBUTES)
      left += (left.empty() ? "" : ", ") + step.target.relative;
  }
  win32::LogLine(left.empty() ? "uninstall: every program file and folder was removed"
                              : "uninstall: not removed: " + left);
}

}  // namespace

void UninstallProduct(UninstallWindow& window, const UninstallKeys& keys) {
  UninstallProduct(window, keys, ProgramDirectory());
}

void UninstallProduct(UninstallWindow& window, const UninstallKeys& keys, const std::string& program_dir) {
  const std::string program = AdjustTrailingBackslash(program_dir, true, false);
  // A relative path or a drive's root would make every removal below reach
  // beyond an installation.
  if (!IsAbsolutePath(program) || program.size() <= 3) {
    win32::LogLine("uninstall: \"" + program + "\" is no installation directory; nothing is removed");
    return;
  }
  win32::LogLine("uninstall: removing the installation in " + program);

  const std::vector<PlanStep> plan = PlanUninstall();
  const PlanRoots roots{program, {}, {}, {}, {}, {}};
  for (const PlanStep& step : plan) {
    const std::string target = ResolvePlanPath(step.target, roots);
    switch (step.kind) {
      case StepKind::kStopServers:
        win32::LogLine("uninstall: stopping the servers");
        StopServers(program);
        break;
      case StepKind::kPauseAfterStop:
        window.ProcessMessages();
        ::Sleep(kPauseAfterStopMs);
        break;
      case StepKind::kDeleteServices:
        win32::LogLine("uninstall: deleting the services, the program group and the uninstall entry");
        DeleteStoppedServices();
        break;
      case StepKind::kDeleteProgramGroup:
        DeleteProgramGroup(keys.shell_folders);
        break;
      case StepKind::kDeleteUninstallEntry:
        DeleteUninstallEntry(keys.uninstall_entry);
        break;
      case StepKind::kUnregisterComServer:
        platform::UnregisterComServer(target);
        break;
      default:
        ApplyRemovalOrEngineStep(step, roots);
        break;
    }
  }

  LogLeftOver(plan, roots);
  win32::LogLine("uninstall: done");
  window.ShowInformation(setup::Messages().cCompleteRemove);
}

void RemoveProgramDirectories(const std::string& program_dir) {
  const PlanRoots roots{AdjustTrailingBackslash(program_dir, true, false), {}, {}, {}, {}, {}};
  for (const PlanStep& step : PlanUninstall())
    if (step.kind == StepKind::kDeleteTree || step.kind == StepKind::kUninstallAvEngine)
      ApplyRemovalOrEngineStep(step, roots);
}

}  // namespace engine
