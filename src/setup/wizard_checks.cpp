#include "setup/wizard_checks.h"

namespace setup {

bool UserDetailsComplete(std::string_view name, std::string_view email) {
  // Blanks are the control characters and the space, as trimming counts them.
  bool name_has_text = false;
  for (char c : name)
    if (static_cast<unsigned char>(c) > ' ') name_has_text = true;
  if (!name_has_text) return false;

  // Positions are 1-based, 0 meaning "none".
  size_t at = email.find('@');
  size_t a = at == std::string_view::npos ? 0 : at + 1;
  size_t dot = email.rfind('.');
  size_t d = dot == std::string_view::npos ? 0 : dot + 1;
  size_t length = email.size();
  return a > 1 && a < length && a < d && d < length;
}

}  // namespace setup
