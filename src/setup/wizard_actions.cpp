#include "setup/wizard_actions.h"

#include <windows.h>

#include <cctype>

#include "serverconf/http_download.h"
#include "setup/post_install_actions.h"
#include "setup/replaceable.h"
#include "setup/setup_state.h"
#include "win32/end_program.h"
#include "win32/log.h"

namespace setup {
namespace {

// The product's own actions in this build. The installation sequence is a
// separate part of the setup that this build does not carry; its stand-in
// says so instead of pretending to have done the work.
class ProductWizardActions : public WizardActions {
 public:
  NewVersionInfo CheckNewVersion(const std::string& url, const std::string& product_tag) override {
    const serverconf::ProductEntry entry = serverconf::CheckNewVersion(url, product_tag);
    return {entry.ok, entry.download_url, entry.latest_version, entry.release_date};
  }
  void InstallProduct(TMainForm&) override {
    win32::LogLine("installation: the installation sequence is not part of this build; nothing was installed");
  }
  void RunPostInstallActions(TMainForm& form) override { setup::RunPostInstallActions(form); }
};

}  // namespace

WizardActions& CurrentWizardActions() {
  static ProductWizardActions product;
  return Replaceable<WizardActions>::Current(product);
}

WizardActions* SetWizardActions(WizardActions* actions) { return Replaceable<WizardActions>::Replace(actions); }

bool IsWebAddress(const std::string& url) {
  std::string lower;
  for (char c : url.substr(0, 8)) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t host = 0;
  if (lower.rfind("http://", 0) == 0) host = 7;
  else if (lower.rfind("https://", 0) == 0) host = 8;
  else return false;
  if (host >= url.size() || url[host] == '/' || url[host] == '?' || url[host] == '#') return false;
  // No blanks or control characters: the shell would read them as more than an address.
  for (unsigned char c : url)
    if (c <= ' ' || c == 0x7F) return false;
  return true;
}

}  // namespace setup
