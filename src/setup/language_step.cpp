#include "setup/language_step.h"

#include <windows.h>

#include "messages/setup_messages.h"
#include "setup/setup_state.h"
#include "setup/translate_unit.h"
#include "ui/application.h"
#include "win32/end_program.h"
#include "win32/file_attributes.h"

namespace setup {

bool ExportLanguageRequested(const std::vector<std::string>& args) {
  for (size_t i = 1; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (!arg.empty() && (arg.front() == '-' || arg.front() == '/')) arg.remove_prefix(1);
    if (LowerCaseAscii(arg) == "exportlanguage") return true;
  }
  return false;
}

void RunLanguageStep(const std::vector<std::string>& args, const std::string& program_dir) {
  const bool export_requested = ExportLanguageRequested(args);
  const std::string file_name = (program_dir + "setup.lng").substr(0, 255);
  const bool file_exists = win32::FileExists(file_name);
  if (export_requested || file_exists) RegisterSetupMessages(Messages(), DefaultMessageRegistry());
  ui::Application& app = ui::Application::Instance();
  if (file_exists) ImportLanguage(file_name, app, true);
  if (export_requested) {
    ExportLanguage(file_name, app, true, "");
    win32::EndProgram(kExitOk);
  }
}

}  // namespace setup
