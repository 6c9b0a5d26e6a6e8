// Reading and writing language files for the windows of the application.
#pragma once

#include <string>

namespace ui {
class Application;
}

namespace setup {

// Writes the language file `file_name` for every window of `app`, with the
// registered messages when `include_messages`. Returns whether it was written.
bool ExportLanguage(const std::string& file_name, ui::Application& app, bool include_messages,
                    const std::string& extra_text);

// Reads `file_name` and applies it to the windows of `app` (and the messages
// when `include_messages`). Returns whether the file was loaded and parsed.
bool ImportLanguage(const std::string& file_name, ui::Application& app, bool include_messages);

}  // namespace setup
