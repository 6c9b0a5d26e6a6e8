#include "serverconf/server_title.h"

#include "engine/path_text.h"
#include "serverconf/config_comment.h"

namespace serverconf {

using engine::Cut;

ServerTitle ParseServerTitle(const std::string& text) {
  ServerTitle result;
  const std::vector<std::string> lines = SplitConfigLines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string line = StripConfigComment(lines[i]);
    if (i == 0) {
      const std::string title = TrimConfigText(line);
      if (!title.empty()) result.title = Cut(title);
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    result.replacements.emplace_back(Cut(line.substr(0, equals)), Cut(line.substr(equals + 1)));
  }
  return result;
}

}  // namespace serverconf
