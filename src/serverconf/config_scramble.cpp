#include "serverconf/config_scramble.h"

namespace serverconf {

const std::array<uint8_t, 16> kConfigScrambleKey = {0x5A, 0x3C, 0x96, 0xE1, 0x27, 0xB4, 0x6D, 0x08,
                                                     0xF3, 0x41, 0x9E, 0x72, 0xC5, 0x1B, 0x88, 0xD6};

void ConfigScramble(uint8_t* data, size_t size, size_t key_position) {
  for (size_t i = 0; i < size; ++i) data[i] ^= kConfigScrambleKey[(i + key_position) % kConfigScrambleKey.size()];
}

}  // namespace serverconf
