// FixedRecord: a record file of the configuration held as its raw bytes.
//
// Fields are read and written at fixed offsets: little-endian integers,
// 8-byte IEEE doubles, and strings as a length byte followed by the
// characters in a slot of fixed size. Every byte the setup does not
// interpret is carried through unchanged. A string field is read with at
// most its own number of characters, whatever its length byte says, so a
// damaged length never reaches into the next field; writing a string cuts
// it to that number and writes only the length byte and the characters.
// Accessors throw std::out_of_range for a field outside the record.
//
// On disk a record is scrambled with ConfigScramble from key position 0.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "serverconf/config_scramble.h"

namespace serverconf {

struct StringField {
  size_t offset;
  size_t max_chars;
};

template <size_t N>
class FixedRecord {
 public:
  static constexpr size_t kSize = N;
  using Bytes_t = std::array<uint8_t, N>;

  FixedRecord() { bytes_.fill(0); }

  uint8_t Byte(size_t offset) const {
    CheckRange(offset, 1);
    return bytes_[offset];
  }
  void SetByte(size_t offset, uint8_t value) {
    CheckRange(offset, 1);
    bytes_[offset] = value;
  }
  uint16_t Word(size_t offset) const { return static_cast<uint16_t>(Unsigned(offset, 2)); }
  void SetWord(size_t offset, uint16_t value) { SetUnsigned(offset, 2, value); }
  uint32_t DWord(size_t offset) const { return static_cast<uint32_t>(Unsigned(offset, 4)); }
  void SetDWord(size_t offset, uint32_t value) { SetUnsigned(offset, 4, value); }
  double Double(size_t offset) const {
    const uint64_t bits = Unsigned(offset, 8);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  void SetDouble(size_t offset, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    SetUnsigned(offset, 8, bits);
  }
  std::string String(StringField field) const {
    CheckRange(field.offset, field.max_chars + 1);
    const size_t length = std::min<size_t>(bytes_[field.offset], field.max_chars);
    return std::string(reinterpret_cast<const char*>(bytes_.data() + field.offset + 1), length);
  }
  void SetString(StringField field, const std::string& text) {
    CheckRange(field.offset, field.max_chars + 1);
    const size_t length = std::min(text.size(), std::min<size_t>(field.max_chars, 255));
    bytes_[field.offset] = static_cast<uint8_t>(length);
    std::copy_n(text.begin(), length, bytes_.begin() + static_cast<std::ptrdiff_t>(field.offset + 1));
  }

  const Bytes_t& Bytes() const { return bytes_; }
  Bytes_t& Bytes() { return bytes_; }

  // The file image: the whole record scrambled from key position 0.
  std::vector<uint8_t> FileImage() const {
    std::vector<uint8_t> image(bytes_.begin(), bytes_.end());
    ConfigScramble(image.data(), image.size(), 0);
    return image;
  }
  // Lays the first `size` bytes of a file image (at most the record's size)
  // over the record: the record is scrambled, the bytes read over it, and
  // the whole unscrambled, so a short image leaves the rest as it was.
  void ReadFileImage(const uint8_t* data, size_t size) {
    size = std::min(size, bytes_.size());
    ConfigScramble(bytes_.data(), bytes_.size(), 0);
    std::copy_n(data, size, bytes_.begin());
    ConfigScramble(bytes_.data(), bytes_.size(), 0);
  }

 private:
  static void CheckRange(size_t offset, size_t width) {
    if (width > N || offset > N - width)
      throw std::out_of_range("record of " + std::to_string(N) + " bytes: offset " + std::to_string(offset));
  }
  uint64_t Unsigned(size_t offset, size_t width) const {
    CheckRange(offset, width);
    uint64_t value = 0;
    for (size_t i = width; i-- > 0;) value = (value << 8) | bytes_[offset + i];
    return value;
  }
  void SetUnsigned(size_t offset, size_t width, uint64_t value) {
    CheckRange(offset, width);
    for (size_t i = 0; i < width; ++i) bytes_[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }

  Bytes_t bytes_;
};

}  // namespace serverconf
