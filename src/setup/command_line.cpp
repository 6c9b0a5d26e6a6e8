#include "setup/command_line.h"

#include <optional>

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

namespace {

// The value of `arg` when it is "/" + `name` + "=" + value (name in any case).
std::optional<std::string> SwitchValue(std::string_view arg, std::string_view name) {
  if (arg.size() < name.size() + 2 || arg[0] != '/' || arg[name.size() + 1] != '=') return std::nullopt;
  if (UpperCaseAscii(arg.substr(1, name.size())) != name) return std::nullopt;
  return std::string(arg.substr(name.size() + 2));
}

}  // namespace

RunSwitches TakeRunSwitches(const std::vector<std::string>& args) {
  RunSwitches switches;
  for (size_t i = 0; i < args.size(); ++i) {
    if (i == 0) {
      switches.args.push_back(args[0]);
    } else if (auto log = SwitchValue(args[i], "LOG")) {
      switches.log_file = *log;
    } else if (auto answers = SwitchValue(args[i], "ANSWERS")) {
      switches.answers_given = true;
      switches.answers_file = *answers;
    } else if (UpperCaseAscii(args[i]) == "/UNATTENDED") {
      switches.unattended = true;
    } else if (UpperCaseAscii(args[i]) == "/DRYRUN") {
      switches.dry_run = true;
    } else {
      switches.args.push_back(args[i]);
    }
  }
  return switches;
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
