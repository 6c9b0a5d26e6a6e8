// ConfigScramble: the reversible scrambling of the configuration's record
// files. Byte i of a block scrambled from key position s is combined by
// exclusive-or with byte (i + s) mod 16 of the store's fixed 16-byte key.
// Applying it twice restores the block. A whole file is scrambled from key
// position 0, so a part of a file that starts at file offset o is scrambled
// from position o mod 16.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace serverconf {

// The one key of every record file of the configuration.
extern const std::array<uint8_t, 16> kConfigScrambleKey;

void ConfigScramble(uint8_t* data, size_t size, size_t key_position);

}  // namespace serverconf
