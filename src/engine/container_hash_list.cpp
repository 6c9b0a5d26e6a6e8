#include "engine/container_hash_list.h"

namespace engine {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<ContainerHash> ParseLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.size() < 64 + 2 + 1 || line.substr(64, 2) != "  ") return std::nullopt;
  ContainerHash entry;
  for (size_t i = 0; i < entry.digest.size(); ++i) {
    const int high = HexValue(line[2 * i]), low = HexValue(line[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    entry.digest[i] = static_cast<uint8_t>(high << 4 | low);
  }
  entry.name = std::string(line.substr(66));
  for (char c : entry.name)
    if (static_cast<unsigned char>(c) < 0x20 || c == '\\' || c == '/' || c == ':') return std::nullopt;
  if (entry.name == "." || entry.name == "..") return std::nullopt;
  return entry;
}

}  // namespace

std::string FormatContainerHashList(const std::vector<ContainerHash>& list) {
  std::string text;
  for (const ContainerHash& entry : list) text += HexDigest(entry.digest) + "  " + entry.name + "\n";
  return text;
}

std::optional<std::vector<ContainerHash>> ParseContainerHashList(std::string_view text) {
  std::vector<ContainerHash> list;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::optional<ContainerHash> entry = ParseLine(text.substr(0, end));
    if (!entry || FindContainerHash(list, entry->name) != nullptr) return std::nullopt;
    list.push_back(std::move(*entry));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return list;
}

const ContainerHash* FindContainerHash(const std::vector<ContainerHash>& list, std::string_view name) {
  for (const ContainerHash& entry : list)
    if (SameName(entry.name, name)) return &entry;
  return nullptr;
}

}  // namespace engine
