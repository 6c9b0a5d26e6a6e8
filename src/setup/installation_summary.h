// The summary of what an installation left on the machine, written to the
// log when the installation sequence has returned: the installation folder
// with the number and size of its files, each server's service (state and
// start type), the program group's links, the uninstall entry's command
// lines, the product key's version and the data sources. Reads only.
#pragma once

namespace setup {

struct SetupState;

void LogInstallationSummary(const SetupState& state);

}  // namespace setup
