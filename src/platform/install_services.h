// The installation's service steps: start types around an upgrade, and
// creating and starting the services after the files are in place.
#pragma once

#include "platform/com_registrar.h"
#include "platform/service_rules.h"

namespace engine {
class InstallProgress;
}
namespace setup {
struct SetupState;
}

namespace platform {

// Before anything is stopped or replaced (NT, upgrade): reads each row's
// start type into RememberedStartTypes and sets a disabled service to
// automatic for the duration of the installation. The services so changed
// are noted in the registry (state.EnabledNoteKey) before the change: a run
// that ends on the way (killed, power lost) leaves the note, and the next run
// remembers a noted service that is automatic now as disabled.
void RememberAndEnableStartTypes(ServiceInstallState& state);

// At the very end: puts back each remembered start type, rows 0-2 always,
// rows 3 and 4 when their components are chosen (-1 changes nothing); then
// removes the note of RememberAndEnableStartTypes.
void RestoreStartTypes(const setup::SetupState& setup, const ServiceInstallState& state);

// Shows cInstalling and creates the flagged services of the chosen rows (NT
// only); registers installation folder + "api.dll" and + "cordanecom.dll"
// through `registrar` (results ignored); shows cStarting and starts each
// chosen row not remembered as disabled; shows cFinishing.
void InstallAndStartServices(const setup::SetupState& setup, const ServiceInstallState& state,
                             engine::InstallProgress& progress, ComRegistrar& registrar);

}  // namespace platform
