// The finish page's first-run wizard applied to the configuration: the
// server's host name, a new primary domain and its administrator.
#pragma once

#include <string>

namespace setup {

class TWizardForm;

// Shows `wizard` modally. Unless it ends with the OK result nothing more
// happens. Otherwise its answers (host name, domain and user name trimmed,
// the password as typed) set up the primary domain in the configuration
// of `install_folder` (a trailing backslash), unless the configuration
// knows the domain already; no message is shown either way. True when the
// domain was set up.
bool ApplyPrimaryDomain(TWizardForm& wizard, const std::string& install_folder);

}  // namespace setup
