#include "platform/service_rules.h"

#include "engine/version_compare.h"

namespace platform {
namespace {

char Fold(char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  return c == '/' ? '\\' : c;
}

}  // namespace

std::string ServiceProgramPath(std::string_view install_dir, std::string_view executable) {
  std::string path(install_dir);
  if (!path.empty() && path.back() != '\\') path += '\\';
  return "\"" + path + std::string(executable) + "\"";
}

std::string UnquotedProgramPath(std::string_view registered) {
  if (!registered.empty() && registered.front() == '"') {
    registered.remove_prefix(1);
    return std::string(registered.substr(0, registered.find('"')));
  }
  return std::string(registered.substr(0, registered.find(' ')));
}

std::string ProgramFileName(std::string_view file_name) {
  std::string name;
  for (char c : file_name) name += Fold(c);
  size_t last_part = name.find_last_of('\\');
  last_part = last_part == std::string::npos ? 0 : last_part + 1;
  if (name.find('.', last_part) == std::string::npos) name += ".exe";
  return name;
}

bool SameProgramPath(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

bool IsOldGroupWare(std::string_view previous_version) {
  return !previous_version.empty() && !engine::VersionAtLeast(previous_version, "8.1.7");
}

std::string NotRunningList(const std::array<bool, kServerCount>& running,
                           const std::array<int32_t, kServerCount>& remembered_start_types, bool im_chosen) {
  auto reported = [&](size_t row) {
    bool chosen = row != kImRow || im_chosen;
    return chosen && !running[row] && remembered_start_types[row] != kStartDisabled;
  };
  bool any = false;
  for (size_t row = 0; row <= kImRow; ++row) any = any || reported(row);
  if (!any) return {};
  // Once a warning is due it names every chosen server that does not run,
  // a disabled one included.
  std::string list;
  for (size_t row = 0; row <= kImRow; ++row) {
    if (row == kImRow && !im_chosen) continue;
    if (!running[row]) list += std::string(ServiceTable[row].DisplayName) + "\r\n";
  }
  return list;
}

}  // namespace platform
