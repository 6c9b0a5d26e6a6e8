#include "xmldoc/xml_file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace xmldoc {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using ScopedFile = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void ThrowFileError(const char* what, const std::string& path, int error) {
  throw XMLFileError(std::string(what) + " \"" + path + "\" failed: " + std::strerror(error));
}

}  // namespace

std::optional<std::string> ReadXMLFile(const std::string& path) {
  ScopedFile file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  constexpr size_t kChunk = 64 * 1024;
  std::string content;
  for (;;) {
    const size_t had = content.size();
    content.resize(had + kChunk);
    errno = 0;
    const size_t got = std::fread(content.data() + had, 1, kChunk, file.get());
    const int error = errno;
    content.resize(had + got);
    if (got < kChunk) {
      if (std::ferror(file.get())) ThrowFileError("Reading", path, error);
      return content;
    }
  }
}

bool WriteXMLFile(const std::string& path, const std::string& content) {
  std::FILE* raw = std::fopen(path.c_str(), "wb");
  if (!raw) return false;
  ScopedFile file(raw);
  if (std::fwrite(content.data(), 1, content.size(), file.get()) != content.size()) {
    ThrowFileError("Writing", path, errno);
  }
  // Closing flushes the last buffer, so its result is the write's result.
  if (std::fclose(file.release()) != 0) ThrowFileError("Writing", path, errno);
  return true;
}

}  // namespace xmldoc
