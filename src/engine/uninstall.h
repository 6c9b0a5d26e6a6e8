// The uninstall sequence: stops and removes the services, shortcuts,
// registry entries and files of the installation the configuration store
// points at.
#pragma once

namespace setup {
class TMainForm;
}

namespace engine {

void RunUninstall(setup::TMainForm& form);

}  // namespace engine
