// The demonstration configuration a new installation starts with: the
// distribution's "demo.dat" holds settings.cfg, domains.cfg and the demo
// domain's records; the installation unpacks it into the configuration
// directory and then prepares it for this machine.
#pragma once

#include <string>

namespace serverconf {

// The demo configuration's domain, always its first domain.
inline constexpr char kDemoDomainName[] = "tarnodemo.example";
// How long the demo domain's user accounts stay valid from installation.
inline constexpr int kDemoAccountValidDays = 30;

// Loads the configuration of `install_dir` + "config\" and releases the
// storage library; sets the edition to Professional, the temporary, mail
// and log directories under `install_dir` and the DNS servers to the
// system's (when it names any); saves; then gives every user account of
// the demo domain (domain 0) a validity limit of today plus 30 days.
// Accounts of other types are left as they are. When domain 0 is not the
// demo domain no account is changed (logged). Failures are silent (logged).
void PrepareDemoConfiguration(const std::string& install_dir);

}  // namespace serverconf
