#include "engine/upgrade_commands.h"

#include "engine/version_compare.h"

namespace engine {

bool PreviousVersionBelow(std::string_view previous, std::string_view gate) {
  return !previous.empty() && !VersionAtLeast(previous, gate);
}

std::vector<ServerCommandCall> UpgradeCommandsFor(std::string_view previous) {
  std::vector<ServerCommandCall> calls;
  for (const UpgradeCommandRow& row : kUpgradeCommandRows) {
    if (!PreviousVersionBelow(previous, row.lower_than)) continue;
    calls.insert(calls.end(), row.commands.begin(), row.commands.begin() + row.count);
  }
  return calls;
}

void SendUpgradeCommands(std::string_view previous, ServerCommandSender& sender) {
  for (const ServerCommandCall& call : UpgradeCommandsFor(previous))
    sender.ServerCommand(call.server, call.message, call.first, call.second);
}

}  // namespace engine
