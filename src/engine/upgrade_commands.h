// The commands an upgrade sends to the freshly started servers, gated on the
// version that was installed before ("Version" of the product key).
//
// Each row of kUpgradeCommandRows applies when the previous version is lower
// than its gate (VersionAtLeast false); rows are tested top to bottom,
// independently of each other, and every command of an applying row is sent
// left to right. An empty previous version (a new installation) applies no
// row. The setup uses no reply.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/server_command_record.h"

namespace engine {

// One command: the server's row of the service table (0 the SMTP server
// "TarnoSMTP", 4 the groupware server "TarnoCalendar"), the window message
// and its two 32-bit parameters.
struct ServerCommandCall {
  uint32_t server;
  uint32_t message;
  uint32_t first;
  uint32_t second;
  friend bool operator==(const ServerCommandCall&, const ServerCommandCall&) = default;
};

// The commands go as the servers' reload message with parameters of their own.
inline constexpr uint32_t kUpgradeMessage = platform::kServerReloadMessage;

struct UpgradeCommandRow {
  std::string_view lower_than;                 // the row applies below this version
  std::array<ServerCommandCall, 3> commands;   // the first `count` are used
  size_t count;
};

inline constexpr UpgradeCommandRow kUpgradeCommandRows[] = {
    {"7.1.3", {{{4, kUpgradeMessage, 0xF01, 0}, {4, kUpgradeMessage, 0xF03, 0}, {0, kUpgradeMessage, 2, 0}}}, 3},
    {"7.4.6", {{{0, kUpgradeMessage, 3, 1}, {0, kUpgradeMessage, 4, 2}}}, 2},
    {"7.4.7", {{{0, kUpgradeMessage, 4, 3}, {0, kUpgradeMessage, 4, 4}}}, 2},
    {"7.6.1", {{{4, kUpgradeMessage, 0xF05, 5}}}, 1},
    {"7.6.3", {{{4, kUpgradeMessage, 0xF05, 6}}}, 1},
    {"7.7.2", {{{4, kUpgradeMessage, 0xF05, 8}}}, 1},
    {"8.2.10", {{{0, kUpgradeMessage, 2, 9}}}, 1},
    {"8.2.13", {{{0, kUpgradeMessage, 2, 10}}}, 1},
};

// The other gates on the previous version.
inline constexpr std::string_view kAntivirusReplacedBelow = "8.2.7";      // PreviousOlderThan827
inline constexpr std::string_view kWebServerConfigUpdateBelow = "7.7.3";  // UpdateWebServerConfig
inline constexpr std::string_view kGroupwareServiceRenamedBelow = "8.1.7";
inline constexpr std::string_view kSeparateWebMailCurrentFrom = "4.2.2";  // OldWebMailDetected

// True when `previous` is not empty and lower than `gate`.
bool PreviousVersionBelow(std::string_view previous, std::string_view gate);

// The commands for an upgrade from `previous`, in the order they are sent.
std::vector<ServerCommandCall> UpgradeCommandsFor(std::string_view previous);

// What sends one command to a running server (the server command channel);
// a server that is not running drops it.
class ServerCommandSender {
 public:
  virtual ~ServerCommandSender() = default;
  virtual void ServerCommand(uint32_t server, uint32_t message, uint32_t first, uint32_t second) = 0;
};

// Sends UpgradeCommandsFor(previous) through `sender`, in order.
void SendUpgradeCommands(std::string_view previous, ServerCommandSender& sender);

}  // namespace engine
