#include "engine/setup_data_format.h"

#include <array>

namespace engine {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Windows drops trailing blanks and dots of a path segment when it opens a
// path, so a segment is judged by what is left of it.
std::string_view StripTrailingDotsAndBlanks(std::string_view segment) {
  while (!segment.empty() && (segment.back() == '.' || segment.back() == ' ')) {
    segment.remove_suffix(1);
  }
  return segment;
}

// "CON", "nul.txt", "Com1 .log": the part before the first dot, without
// trailing blanks, names a device whatever the extension.
bool IsDeviceName(std::string_view segment) {
  std::string_view base = segment.substr(0, segment.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  std::string lower = LowerAscii(base);
  static constexpr std::array<std::string_view, 7> kPlain = {"con", "prn", "aux", "nul",
                                                             "conin$", "conout$", "clock$"};
  for (std::string_view device : kPlain) {
    if (lower == device) return true;
  }
  // COM1..COM9 and LPT1..LPT9, also with the digit 0 and with the superscript
  // digits 1, 2 and 3 of the Windows code page (0xB9, 0xB2, 0xB3).
  if (lower.size() != 4 || (lower.compare(0, 3, "com") != 0 && lower.compare(0, 3, "lpt") != 0)) return false;
  const unsigned char digit = static_cast<unsigned char>(lower[3]);
  return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

}  // namespace

EntryNameProblem CheckEntryName(std::string_view name) {
  if (!name.empty() && IsSeparator(name.front())) return EntryNameProblem::kAbsolute;
  for (char c : name) {
    if (c == ':') return EntryNameProblem::kDriveOrStream;
  }
  for (char c : name) {
    if (static_cast<unsigned char>(c) < ' ') return EntryNameProblem::kControlCharacter;
  }
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    std::string_view segment = name.substr(start, end - start);
    if (segment.find('.') != std::string_view::npos && StripTrailingDotsAndBlanks(segment).empty()) {
      return EntryNameProblem::kDotSegment;
    }
    if (IsDeviceName(segment)) return EntryNameProblem::kDeviceName;
    if (!segment.empty() && (segment.back() == '.' || segment.back() == ' '))
      return EntryNameProblem::kTrailingDotOrBlank;
    start = end + 1;
  }
  return EntryNameProblem::kNone;
}

const char* EntryNameProblemText(EntryNameProblem problem) {
  switch (problem) {
    case EntryNameProblem::kNone: return "is a relative file name";
    case EntryNameProblem::kAbsolute: return "is an absolute path";
    case EntryNameProblem::kDriveOrStream: return "has a drive or stream (':')";
    case EntryNameProblem::kDotSegment: return "has a '.' or '..' segment";
    case EntryNameProblem::kControlCharacter: return "holds a control character";
    case EntryNameProblem::kDeviceName: return "names a device";
    case EntryNameProblem::kTrailingDotOrBlank: return "has a segment ending in '.' or ' '";
  }
  return "is not a valid name";
}

bool IsEndOfContainerName(std::string_view name) {
  for (char c : name) {
    if (static_cast<unsigned char>(c) > ' ') return false;
  }
  return true;
}

std::string ToBackslashes(std::string_view name) {
  std::string result(name);
  for (char& c : result) {
    if (c == '/') c = '\\';
  }
  return result;
}

std::string LowerAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return result;
}

}  // namespace engine
