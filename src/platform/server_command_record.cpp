#include "platform/server_command_record.h"

namespace platform {
namespace {

void PutLittleEndian(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetLittleEndian(const uint8_t* in) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(in[i]) << (8 * i);
  return value;
}

}  // namespace

std::array<uint8_t, kServerCommandSize> EncodeServerCommand(const ServerCommandMessage& command) {
  std::array<uint8_t, kServerCommandSize> bytes{};
  PutLittleEndian(&bytes[0], command.code);
  PutLittleEndian(&bytes[4], command.message);
  PutLittleEndian(&bytes[8], command.param1);
  PutLittleEndian(&bytes[12], command.param2);
  PutLittleEndian(&bytes[16], command.reserved);
  return bytes;
}

std::optional<ServerCommandMessage> DecodeServerCommand(std::span<const uint8_t> bytes) {
  if (bytes.size() != kServerCommandSize) return std::nullopt;
  return ServerCommandMessage{GetLittleEndian(&bytes[0]), GetLittleEndian(&bytes[4]), GetLittleEndian(&bytes[8]),
                              GetLittleEndian(&bytes[12]), GetLittleEndian(&bytes[16])};
}

std::optional<uint32_t> DecodeServerAnswer(std::span<const uint8_t> bytes) {
  if (bytes.size() < 4) return std::nullopt;
  return GetLittleEndian(bytes.data());
}

}  // namespace platform
