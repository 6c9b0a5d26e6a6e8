// SHA-256 (FIPS 180-4) of a byte stream, fed in pieces of any size. Pure
// code: the build's packing step and the setup compute the same digests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

using Sha256Digest = std::array<uint8_t, 32>;

class Sha256 {
 public:
  Sha256();
  // Adds `size` bytes at `data` to the message.
  void Update(const void* data, size_t size);
  // The digest of everything added; the object then starts a new message.
  Sha256Digest Final();

 private:
  void Block(const uint8_t* block);

  std::array<uint32_t, 8> state_;
  std::array<uint8_t, 64> pending_;
  size_t pending_size_ = 0;
  uint64_t length_ = 0;  // bytes added so far
};

Sha256Digest Sha256Of(std::string_view bytes);

// 64 lower-case hexadecimal digits.
std::string HexDigest(const Sha256Digest& digest);

}  // namespace engine
