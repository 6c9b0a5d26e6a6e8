// Test support for the configuration store's Win32 tests: a folder of the
// test's own, and record images built by hand (never by the code under test).
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
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

// Every byte the load may change: numeric defaults, the normalised strings,
// storage and file-name modes.
inline std::set<size_t> LoadTouchedBytes() {
  std::set<size_t> touched;
  const std::pair<size_t, size_t> numbers[] = {
      {160, 2},   {167, 2},   {228, 2},   {230, 2},   {248, 2},   {250, 2},   {252, 2},   {1024, 2},  {1026, 2},
      {1028, 2},  {1030, 2},  {1036, 2},  {1038, 2},  {1040, 2},  {1461, 2},  {21384, 2}, {21386, 2}, {22217, 2},
      {22219, 2}, {24755, 2}, {1458, 2},  {1564, 2},  {1566, 2},  {242, 2},   {22136, 4}, {25666, 4}, {25670, 4},
      {7016, 4},  {7012, 4},  {21396, 4}, {21400, 4}, {21404, 4}, {21408, 4}, {21412, 4}, {21416, 4}, {21420, 4},
      {21424, 4}, {1552, 4},  {1548, 4},  {22128, 4}, {1556, 4},  {1560, 4},  {22124, 4}, {21372, 4}, {222, 4},
      {21752, 4}, {233, 4},   {1544, 4},  {22831, 4}, {7008, 1},  {1476, 1},  {3633, 1},  {22122, 1},
      {7001, 1},  {7020, 4}};  // the domain table's form marker and count
  for (auto [offset, width] : numbers)
    for (size_t i = 0; i < width; ++i) touched.insert(offset + i);
  const std::pair<size_t, size_t> strings[] = {{0, 127},    {256, 255},  {512, 255},  {768, 255},  {1048, 127},
                                               {1176, 127}, {1304, 127}, {1477, 31},  {1509, 31},  {2356, 255},
                                               {3641, 255}, {4577, 255}, {24759, 255}};
  for (auto [offset, chars] : strings)
    for (size_t i = 0; i <= chars; ++i) touched.insert(offset + i);
  return touched;
}

}  // namespace serverconf::testing
