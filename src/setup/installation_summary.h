// The summary of what an installation left on the machine, written to the
// log when the installation sequence has returned: the installation folder
// with the number and size of its files, each server's service (state and
// start type), the program group's links, the uninstall entry's command
// lines, the product key's version and the data sources. Reads only.
#pragma once

#include <string>

namespace setup {

struct SetupState;

void LogInstallationSummary(const SetupState& state);

// The number of files below `folder` (trailing backslash) and their bytes;
// links to folders are not entered.
struct TreeCount {
  unsigned long long files = 0;
  unsigned long long bytes = 0;
};
TreeCount CountTree(const std::string& folder);

}  // namespace setup
