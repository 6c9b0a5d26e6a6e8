#include "setup/translate_unit.h"

#include "win32/log.h"

namespace setup {

// The language file's document form is not part of this build yet: both
// directions report that nothing was read or written.
bool ExportLanguage(const std::string& file_name, ui::Application&, bool, const std::string&) {
  if (file_name.empty()) return false;
  win32::LogLine("language file: writing " + file_name + " is not available in this build");
  return false;
}

bool ImportLanguage(const std::string& file_name, ui::Application&, bool) {
  if (file_name.empty()) return false;
  win32::LogLine("language file: reading " + file_name + " is not available in this build");
  return false;
}

}  // namespace setup
