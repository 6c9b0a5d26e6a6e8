// Test helpers: containers spelled out byte by byte, independent of the
// writer, and an in-memory destination that can refuse files.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/setup_data_extract.h"
#include "engine/setup_data_stream.h"

namespace engine::testing {

inline std::string Le32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// "ILDS", optionsLength, then `optionsLength` bytes of which the first five
// are compressed and nameFormat and the rest are 0xEE.
inline std::string Header(bool compressed, uint32_t nameFormat, uint32_t optionsLength = 5) {
  std::string options(1, compressed ? '\x01' : '\x00');
  options += Le32(nameFormat);
  if (optionsLength < 5) options.resize(optionsLength);
  while (options.size() < optionsLength) options += '\xEE';
  return "ILDS" + Le32(optionsLength) + options;
}

// A 256-byte name field: length byte, the name, zero filler.
inline std::string FixedName(const std::string& name) {
  std::string field(256, '\0');
  field[0] = static_cast<char>(name.size());
  field.replace(1, name.size(), name);
  return field;
}

inline std::string PrefixedName(const std::string& name) {
  return std::string(1, static_cast<char>(name.size())) + name;
}

inline std::string FixedEntry(const std::string& name, const std::string& data) {
  return FixedName(name) + Le32(static_cast<uint32_t>(data.size())) + data;
}

inline std::string PrefixedEntry(const std::string& name, const std::string& data) {
  return PrefixedName(name) + Le32(static_cast<uint32_t>(data.size())) + data;
}

// zlib's own one-shot compression (not the writer under test).
inline std::string ZlibCompress(const std::string& data, int level = 6) {
  uLongf length = compressBound(static_cast<uLong>(data.size()));
  std::string out(length, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(data.data()),
                static_cast<uLong>(data.size()), level) != Z_OK) {
    throw std::runtime_error("compress2 failed");
  }
  out.resize(length);
  return out;
}

// "hello" as zlib at level 6, byte for byte (header 78 9C, Adler-32 062C0215).
inline const std::string kHelloZlib("\x78\x9c\xcb\x48\xcd\xc9\xc9\x07\x00\x06\x2c\x02\x15", 13);

// Deterministic bytes: text-like when `text`, otherwise noise.
inline std::string TestBytes(size_t size, uint32_t seed, bool text = false) {
  std::string s(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    s[i] = text ? "abcdefgh ijkl\n"[x % 14] : static_cast<char>(x & 0xFF);
  }
  return s;
}

// A destination held in memory. Names compare without regard to ASCII case,
// as on Windows. Files listed in `readOnly` cannot be created; a sink stops
// accepting bytes after `writeLimit` bytes in total.
class MemoryTarget final : public ExtractTarget {
 public:
  struct File {
    std::string bytes;
    bool closed = false;
  };

  std::map<std::string, File> files;  // by lower-cased name
  std::set<std::string> readOnly;     // lower-cased names
  std::vector<std::string> created;   // names as asked, in order
  uint64_t writeLimit = UINT64_MAX;
  uint64_t written = 0;

  void Put(const std::string& name, const std::string& bytes) { files[LowerAscii(name)] = File{bytes, true}; }
  bool Has(const std::string& name) const { return files.count(LowerAscii(name)) != 0; }
  const std::string& Bytes(const std::string& name) const { return files.at(LowerAscii(name)).bytes; }

  bool FileExists(const std::string& name) override { return Has(name); }

  std::unique_ptr<EntrySink> CreateTarget(const std::string& name) override {
    std::string key = LowerAscii(name);
    if (readOnly.count(key) != 0) return nullptr;
    created.push_back(name);
    files[key] = File{};
    return std::make_unique<Sink>(*this, files[key]);
  }

 private:
  class Sink final : public EntrySink {
   public:
    Sink(MemoryTarget& owner, File& file) : owner_(owner), file_(file) {}
    bool Write(const void* data, size_t size) override {
      if (owner_.written + size > owner_.writeLimit) return false;
      owner_.written += size;
      file_.bytes.append(static_cast<const char*>(data), size);
      return true;
    }
    bool Truncate() override {
      file_.bytes.clear();
      return true;
    }
    bool Close() override {
      file_.closed = true;
      return true;
    }

   private:
    MemoryTarget& owner_;
    File& file_;
  };
};

// A source that hands out its bytes in pieces of at most `piece` bytes and
// fails once `failAt` bytes have been delivered.
class PiecewiseSource final : public ByteSource {
 public:
  PiecewiseSource(std::string bytes, size_t piece, size_t failAt = SIZE_MAX)
      : bytes_(std::move(bytes)), piece_(piece), failAt_(failAt) {}
  bool Read(void* data, size_t size, size_t& got) override {
    got = 0;
    if (position_ >= failAt_) return false;
    got = std::min({size, piece_, bytes_.size() - position_, failAt_ - position_});
    std::copy_n(bytes_.data() + position_, got, static_cast<char*>(data));
    position_ += got;
    return true;
  }
  size_t position() const { return position_; }

 private:
  std::string bytes_;
  size_t piece_;
  size_t failAt_;
  size_t position_ = 0;
};

// Whole files on the host's file system, for the tests of the tools.
inline std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Writes `bytes` to `path`, making its folder first.
inline void WriteWhole(const std::filesystem::path& path, const std::string& bytes) {
  if (!path.parent_path().empty()) std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

}  // namespace engine::testing
