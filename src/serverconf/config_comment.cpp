#include "serverconf/config_comment.h"

namespace serverconf {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Cuts the line at the first unescaped `marker`; an occurrence directly
// followed by the marker's first character is an escape and loses the marker.
void CutAtMarker(std::string& line, const std::string& marker) {
  size_t from = 0;
  while (from < line.size()) {
    const size_t at = line.find(marker, from);
    if (at == std::string::npos) return;
    const size_t behind = at + marker.size();
    if (behind < line.size() && line[behind] == marker[0]) {
      line.erase(at, marker.size());
      from = at + 1;  // behind the escaped character, which now sits at `at`
      continue;
    }
    line.erase(at);
    line = TrimConfigText(line);
    return;
  }
}

}  // namespace

std::string TrimConfigText(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string StripConfigComment(std::string line) {
  CutAtMarker(line, "#");
  CutAtMarker(line, "// ");
  const size_t open = line.find("/*");
  if (open != std::string::npos) {
    const size_t close = line.find("*/", open + 2);
    line.erase(open, close == std::string::npos ? std::string::npos : close + 2 - open);
    line = TrimConfigText(line);
  }
  return line;
}

std::vector<std::string> SplitConfigLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> SplitLowerListItems(const std::string& list) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t semi = list.find(';', start);
    std::string item = TrimConfigText(list.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
    for (char& c : item)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (!item.empty()) items.push_back(std::move(item));
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  return items;
}

}  // namespace serverconf
