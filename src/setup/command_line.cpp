#include "setup/command_line.h"

#include "engine/path_text.h"
#include "messages/setup_messages.h"

namespace setup {

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  size_t i = 0;
  while (true) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string arg;
    bool quoted = false;
    for (; i < line.size(); ++i) {
      char c = line[i];
      if (c == '"') {
        quoted = !quoted;
      } else if (!quoted && (c == ' ' || c == '\t')) {
        break;
      } else {
        arg += c;
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

StartMode ClassifyStartMode(const std::vector<std::string>& args) {
  if (args.size() < 2) return StartMode::kWizard;
  const std::string first = UpperCaseAscii(args[1]);
  if (first == "/SILENT") return StartMode::kSilentWizard;
  if (first == "/UNINSTALL") return StartMode::kUninstall;
  if (first == "/WEBMAILLOGON") return StartMode::kWebMailLogon;
  if (first == "/WEBADMINLOGON") return StartMode::kWebAdminLogon;
  return StartMode::kUnknown;
}

std::string InstallDirSwitch(const std::vector<std::string>& args) {
  static constexpr std::string_view kName = "installdir=";
  for (size_t i = 1; i < args.size(); ++i) {
    std::string_view arg = args[i];
    size_t prefix = 0;
    while (prefix < 2 && prefix < arg.size() && (arg[prefix] == '/' || arg[prefix] == '-')) ++prefix;
    if (prefix == 0) continue;
    std::string_view rest = arg.substr(prefix);
    if (rest.size() < kName.size() || LowerCaseAscii(rest.substr(0, kName.size())) != kName) continue;
    return engine::AdjustTrailingBackslash(rest.substr(kName.size()), true, false);
  }
  return {};
}

}  // namespace setup
