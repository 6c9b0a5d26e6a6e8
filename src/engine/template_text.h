// The placeholder replacement of installed template files (CopyTemplateFile).
#pragma once

#include <string>
#include <string_view>

namespace engine {

// `text` line by line: a line ends at CR LF, LF or CR, and at the end of the
// text (a final line break gives no extra line). On each line the first
// "%%installpath%%" becomes `install_path`, then the first "%%temppath%%"
// becomes `temp_path`; a second occurrence on the same line stays. Every line
// is written with CR LF after it. An empty text gives an empty text.
std::string ExpandTemplateText(std::string_view text, std::string_view install_path,
                               std::string_view temp_path);

}  // namespace engine
