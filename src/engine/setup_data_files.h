// Setup data files on disk through the C library and std::filesystem, for
// the packing tool and the benchmarks (both built natively and for Windows).
// ExtractDataFile itself uses the Win32 file API (extract_data_file.h).
//
// Paths are narrow texts: bytes on Linux, the ANSI code page on Windows.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "engine/setup_data_extract.h"
#include "engine/setup_data_stream.h"
#include "engine/setup_data_writer.h"

namespace engine {

// Reads a file from a start offset; Skip seeks, never past the end.
class FileSource final : public ByteSource {
 public:
  // Null with `error` set when the file cannot be opened.
  static std::unique_ptr<FileSource> Open(const std::string& path, uint64_t startOffset, std::string& error);
  ~FileSource() override;

  bool Read(void* data, size_t size, size_t& got) override;
  bool Skip(uint64_t count, uint64_t& skipped) override;
  uint64_t size() const { return size_; }

 private:
  FileSource(std::FILE* file, uint64_t size, uint64_t position);
  std::FILE* file_;
  uint64_t size_;
  uint64_t position_;
};

// Writes a new container file (replacing one that exists).
class FileOutput final : public ContainerOutput {
 public:
  static std::unique_ptr<FileOutput> Create(const std::string& path, std::string& error);
  ~FileOutput() override;

  bool Write(const void* data, size_t size) override;
  bool WriteAt(uint64_t offset, const void* data, size_t size) override;
  uint64_t position() const override { return position_; }
  // Flushes and closes; false when the data could not all be stored.
  bool Close();

 private:
  explicit FileOutput(std::FILE* file) : file_(file) {}
  std::FILE* file_;
  uint64_t position_ = 0;
};

// Extracts into a directory. Entry names ('\' separators) are joined to the
// destination segment by segment. A symbolic link met on the way to a target,
// or as the target itself, is never followed: that target counts as one that
// cannot be created.
class FolderTarget final : public ExtractTarget {
 public:
  explicit FolderTarget(std::string destination);

  bool FileExists(const std::string& name) override;
  std::unique_ptr<EntrySink> CreateTarget(const std::string& name) override;

  // Why the last CreateTarget failed.
  const std::string& lastError() const { return lastError_; }

 private:
  bool EnsureDirectories(const std::string& name);

  std::string destination_;  // with a trailing separator
  std::set<std::string> checkedDirectories_;
  std::string lastError_;
};

// The native form of an entry name below `destination` (which ends in a separator).
std::string JoinEntryPath(const std::string& destination, const std::string& name);

}  // namespace engine
