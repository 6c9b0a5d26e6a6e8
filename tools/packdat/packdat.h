// packdat: the packing tool for setup data files. Creates containers from a
// folder, lists and verifies them, and extracts them under the setup's own
// rules (never outside the destination). The same source builds natively
// and for Windows.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace packdat {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // damaged container, failed entry, I/O error
inline constexpr int kExitUsage = 2;   // bad command line

// Runs one command line (without the program name); normal output goes to
// `out`, diagnostics to `err`. Returns the process exit code.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace packdat
