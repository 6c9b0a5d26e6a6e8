#include "platform/install_services.h"

#include "engine/install_files.h"
#include "platform/service_control.h"
#include "platform/service_table.h"
#include "platform/system_family.h"
#include "messages/setup_messages.h"
#include "setup/setup_state.h"

namespace platform {
namespace {

constexpr const char* kComServers[] = {"api.dll", "cordanecom.dll"};

}  // namespace

void RememberAndEnableStartTypes(ServiceInstallState& state) {
  for (std::size_t row = 0; row < kServerCount; ++row) {
    state.RememberedStartTypes[row] = QueryServiceStartType(ServiceTable[row].ServiceName);
    if (state.RememberedStartTypes[row] == kStartDisabled)
      SetServiceStartType(ServiceTable[row].ServiceName, kStartAutomatic);
  }
}

void RestoreStartTypes(const setup::SetupState& setup, const ServiceInstallState& state) {
  const ServerChoice choice = ChosenServers(setup);
  for (std::size_t row = 0; row < kServerCount; ++row)
    if (choice.Includes(row)) SetServiceStartType(ServiceTable[row].ServiceName, state.RememberedStartTypes[row]);
}

void InstallAndStartServices(const setup::SetupState& setup, const ServiceInstallState& state,
                             engine::InstallProgress& progress, ComRegistrar& registrar) {
  const ServerChoice choice = ChosenServers(setup);
  if (IsNtFamily()) {
    progress.SetProgressText(setup::Messages().cInstalling);
    for (std::size_t row = 0; row < kServerCount; ++row)
      if (choice.Includes(row) && state.ServicesToCreate[row]) CreateServerService(setup.InstallFolder, row);
  }
  // A library that does not register only loses its COM clients; the
  // registrar logs it and the installation goes on.
  for (const char* library : kComServers) registrar.RegisterComServer(setup.InstallFolder + library);

  progress.SetProgressText(setup::Messages().cStarting);
  for (std::size_t row = 0; row < kServerCount; ++row)
    if (choice.Includes(row) && state.RememberedStartTypes[row] != kStartDisabled)
      StartServer(setup.InstallFolder, row);
  progress.SetProgressText(setup::Messages().cFinishing);
}

}  // namespace platform
