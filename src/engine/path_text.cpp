#include "engine/path_text.h"

namespace engine {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Bytes up to ' ' are what the setup treats as blanks around a text.
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::string Cut(std::string_view text, size_t limit) { return std::string(text.substr(0, limit)); }

std::string AdjustTrailingBackslash(std::string_view path, bool add, bool convert) {
  std::string result(path);
  if (result.empty()) return result;
  if (convert) {
    for (char& c : result) {
      if (c == '/') c = '\\';
    }
  }
  if (!IsSeparator(result.back())) {
    result += '\\';
  }
  if (!add) result.pop_back();
  return result;
}

bool IsAbsolutePath(std::string_view path) {
  if (path.empty()) return false;
  return IsSeparator(path.front()) || path.find(':') != std::string_view::npos;
}

std::string TrimText(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::vector<std::string> SplitList(std::string_view text, char separator, bool trim) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(separator, start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view item = text.substr(start, end - start);
    if (trim) {
      std::string trimmed = TrimText(item);
      if (!trimmed.empty()) items.push_back(std::move(trimmed));
    } else {
      items.emplace_back(item);
    }
    start = end + 1;
  }
  return items;
}

std::string FinishSpecialDirectory(std::string_view system_answer, bool no_fallback,
                                   std::string_view program_directory) {
  std::string directory = TrimText(system_answer);
  if (directory.empty() && !no_fallback) directory = std::string(program_directory);
  if (!directory.empty() && directory.back() != '\\') directory += '\\';
  return directory;
}

std::string DirectoryOf(std::string_view path) {
  size_t last = path.find_last_of("\\/");
  if (last == std::string_view::npos) return std::string();
  return std::string(path.substr(0, last + 1));
}

std::string FileNameOf(std::string_view path) {
  size_t last = path.find_last_of("\\/:");
  if (last == std::string_view::npos) return std::string(path);
  return std::string(path.substr(last + 1));
}

}  // namespace engine
