// The 20-byte record a server reads from its command pipe: five 32-bit
// little-endian integers (code, message number, two parameters, a reserved
// zero), the same in 32- and 64-bit processes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace platform {

inline constexpr uint32_t kCommandWithoutAnswer = 0x1000;  // 4096
inline constexpr uint32_t kCommandWithAnswer = 0x1003;     // 4099
inline constexpr std::size_t kServerCommandSize = 20;
// How much of a server's answer the sender reads; the first 4 bytes are the result.
inline constexpr std::size_t kServerAnswerLimit = 2048;

// The message that tells a server to reload its configuration (the user-message
// base plus 256): sent to the servers' windows as it is, and through
// ServerCommand with parameters (the finish page's reload, the upgrade's
// version-gated commands).
inline constexpr uint32_t kServerReloadMessage = 0x500;  // 1280

struct ServerCommandMessage {
  uint32_t code = kCommandWithoutAnswer;
  uint32_t message = 0;
  uint32_t param1 = 0;
  uint32_t param2 = 0;
  uint32_t reserved = 0;

  bool operator==(const ServerCommandMessage&) const = default;
};

std::array<uint8_t, kServerCommandSize> EncodeServerCommand(const ServerCommandMessage& command);
// nullopt when `bytes` is not exactly one record.
std::optional<ServerCommandMessage> DecodeServerCommand(std::span<const uint8_t> bytes);
// The result in a server's answer: its first 32-bit value; nullopt when fewer than 4 bytes came.
std::optional<uint32_t> DecodeServerAnswer(std::span<const uint8_t> bytes);

}  // namespace platform
