// Reading and writing language files for the windows of the application.
//
// The windows are the forms owned by the application, their translatable
// controls the components each form owns (language_document.h has the file
// format and its rules). Both directions log what they did.
#pragma once

#include <string>

namespace ui {
class Application;
}

namespace setup {

// Writes the language file `file_name` for every named window of `app`, with
// the registered messages of the default registry when `include_messages`,
// and `extra_text` verbatim at the end when it is not empty. Returns whether
// it was written; an empty file name writes nothing.
bool ExportLanguage(const std::string& file_name, ui::Application& app, bool include_messages,
                    const std::string& extra_text);

// Reads `file_name` and applies it to the windows of `app` (and the messages
// when `include_messages`). Returns whether the file was loaded and parsed;
// an empty file name does nothing. Errors while applying are swallowed.
bool ImportLanguage(const std::string& file_name, ui::Application& app, bool include_messages);

}  // namespace setup
