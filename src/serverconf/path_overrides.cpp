#include "serverconf/path_overrides.h"

#include "serverconf/config_comment.h"

namespace serverconf {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

std::optional<std::string> Part(const std::vector<std::string>& parts, size_t index) {
  if (index >= parts.size()) return std::nullopt;
  std::string part = TrimConfigText(parts[index]);
  if (part.empty()) return std::nullopt;
  return part;
}

}  // namespace

const std::string& PathOverrides::Line(size_t number) const {
  static const std::string kNone;
  return number >= 1 && number <= kPathOverrideLines ? lines[number - 1] : kNone;
}

PathOverrides ParsePathOverrides(const std::string& text) {
  PathOverrides overrides;
  const std::vector<std::string> lines = SplitConfigLines(text);
  for (size_t i = 0; i < lines.size() && i < kPathOverrideLines; ++i)
    overrides.lines[i] = TrimConfigText(StripConfigComment(lines[i]));
  return overrides;
}

std::vector<NetworkDrive> ParseNetworkDrives(const std::string& line) {
  std::vector<NetworkDrive> drives;
  for (const std::string& item : Split(line, '|')) {
    const std::vector<std::string> parts = Split(item, ';');
    std::optional<std::string> remote = Part(parts, 0);
    if (!remote) continue;
    drives.push_back({*remote, Part(parts, 1), Part(parts, 2)});
  }
  return drives;
}

BindOverride ParseBindOverride(const std::string& line) {
  const size_t bar = line.find('|');
  if (bar == std::string::npos) return {TrimConfigText(line), std::nullopt};
  return {TrimConfigText(line.substr(0, bar)), TrimConfigText(line.substr(bar + 1))};
}

}  // namespace serverconf
