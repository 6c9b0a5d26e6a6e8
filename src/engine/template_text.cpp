#include "engine/template_text.h"

namespace engine {

namespace {

constexpr std::string_view kInstallPathPlaceholder = "%%installpath%%";
constexpr std::string_view kTempPathPlaceholder = "%%temppath%%";

void ReplaceFirst(std::string& line, std::string_view placeholder, std::string_view value) {
  size_t at = line.find(placeholder);
  if (at != std::string::npos) line.replace(at, placeholder.size(), value);
}

}  // namespace

std::string ExpandTemplateText(std::string_view text, std::string_view install_path,
                               std::string_view temp_path) {
  std::string result;
  result.reserve(text.size());
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    size_t next;
    if (end == std::string_view::npos) {
      end = text.size();
      next = end;
    } else if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      next = end + 2;
    } else {
      next = end + 1;
    }
    std::string line(text.substr(start, end - start));
    ReplaceFirst(line, kInstallPathPlaceholder, install_path);
    ReplaceFirst(line, kTempPathPlaceholder, temp_path);
    result += line;
    result += "\r\n";
    start = next;
  }
  return result;
}

}  // namespace engine
