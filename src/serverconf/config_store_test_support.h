// Test support for the configuration store's Win32 tests: a folder of the
// test's own, and record images built by hand (never by the code under test).
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "serverconf/config_scramble.h"

namespace serverconf::testing {

namespace fs = std::filesystem;

// A folder of the test's own under the temporary directory, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    static int serial = 0;
    path_ = fs::temp_directory_path() /
            ("tarno_cfg_" + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(++serial));
    std::error_code ignored;
    fs::remove_all(path_, ignored);
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  // The folder as the store writes directories: with a trailing backslash.
  std::string Dir() const { return path_.string() + "\\"; }
  void Write(const std::string& relative, const std::string& content) const {
    const fs::path file = path_ / relative;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
  }
  std::string Read(const std::string& relative) const {
    std::ifstream in(path_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool Exists(const std::string& relative) const { return fs::exists(path_ / relative); }

 private:
  fs::path path_;
};

// Scrambles a plain file image by hand with the store's key from position 0.
inline std::string Scrambled(std::string plain) {
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = char(uint8_t(plain[i]) ^ kConfigScrambleKey[i % 16]);
  return plain;
}
inline std::string Unscrambled(const std::string& image) { return Scrambled(image); }

inline void PutLe(std::string& r, size_t offset, size_t width, uint32_t v) {
  for (size_t i = 0; i < width; ++i) r[offset + i] = char(uint8_t(v >> (8 * i)));
}
inline uint32_t Le(const std::string& r, size_t offset, size_t width) {
  uint32_t v = 0;
  for (size_t i = 0; i < width; ++i) v |= uint32_t(uint8_t(r[offset + i])) << (8 * i);
  return v;
}
inline void PutStr(std::string& r, size_t offset, const std::string& s) {
  r[offset] = char(s.size());
  r.replace(offset + 1, s.size(), s);
}
inline std::string Str(const std::string& r, size_t offset) { return r.substr(offset + 1, uint8_t(r[offset])); }

}  // namespace serverconf::testing
