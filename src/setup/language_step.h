// The start-up language step: registers the messages and applies the
// language file "setup.lng" beside the program when there is one; with the
// "exportlanguage" switch it writes the file and ends the program.
#pragma once

#include <string>
#include <vector>

namespace setup {

// True when any argument after the program, without one leading "-" or "/",
// is "exportlanguage" in any case.
bool ExportLanguageRequested(const std::vector<std::string>& args);

void RunLanguageStep(const std::vector<std::string>& args, const std::string& program_dir);

}  // namespace setup
