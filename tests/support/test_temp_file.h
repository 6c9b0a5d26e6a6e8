// Test helper: a file name of the test's own in the temporary directory,
// removed (with whatever it became) when the helper goes out of scope.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#define TARNO_TEST_PID _getpid()
#else
#include <unistd.h>
#define TARNO_TEST_PID getpid()
#endif

namespace xmldoc {

class TestTempFile {
 public:
  explicit TestTempFile(const std::string& stem)
      : path_(std::filesystem::temp_directory_path() /
              ("tarno_xmldoc_" + stem + "_" + std::to_string(TARNO_TEST_PID))) {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ~TestTempFile() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TestTempFile(const TestTempFile&) = delete;
  TestTempFile& operator=(const TestTempFile&) = delete;

  std::string Name() const { return path_.string(); }

  // Byte-exact access through the standard streams, independent of the code
  // under test.
  void Write(const std::string& content) const {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << content;
  }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace xmldoc
