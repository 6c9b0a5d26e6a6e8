// Writes setup data files (layout in setup_data_format.h): with or without
// the "ILDS" header, raw or with each entry as one zlib stream, with 256-byte
// or length-prefixed names. The same entries in the same order with the same
// options give the same bytes.
//
// Entry data is streamed from a ByteSource through fixed buffers; the size
// field is written first as a placeholder and filled in when the entry is
// complete, so the output must allow that one patch. After a failure the
// output is not a valid container and should be discarded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/setup_data_format.h"
#include "engine/setup_data_stream.h"

namespace engine {

class ContainerOutput {
 public:
  virtual ~ContainerOutput() = default;
  virtual bool Write(const void* data, size_t size) = 0;
  // Overwrites bytes already written at `offset`.
  virtual bool WriteAt(uint64_t offset, const void* data, size_t size) = 0;
  virtual uint64_t position() const = 0;
};

class StringOutput final : public ContainerOutput {
 public:
  bool Write(const void* data, size_t size) override;
  bool WriteAt(uint64_t offset, const void* data, size_t size) override;
  uint64_t position() const override { return bytes_.size(); }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

struct WriterOptions {
  bool header = true;
  bool compressed = true;
  int level = 6;                              // zlib level 0..9
  uint32_t nameFormat = kNameFormatPrefixed;  // kNameFormatFixed (1) or 2 and more
};

class SetupDataWriter {
 public:
  SetupDataWriter(ContainerOutput& out, const WriterOptions& options);

  // Why the options cannot be written, or empty: a container without header
  // is always raw with 256-byte names; the level is 0..9.
  static std::string CheckOptions(const WriterOptions& options);

  // Writes the header (when asked for). False on bad options or a write error.
  bool Begin();

  enum class AddStatus { kOk, kBadName, kTooLarge, kReadError, kWriteError, kCompressError };

  // Appends one entry. The name is stored as given (either separator); it
  // must be 1..255 bytes, not empty after trimming and a safe relative name
  // (CheckEntryName). Stored data above 2^31-1 bytes is kTooLarge.
  AddStatus Add(std::string_view name, ByteSource& data);
  AddStatus Add(std::string_view name, std::string_view bytes);

  // What went wrong with the last failing call, in English.
  const std::string& error() const { return error_; }

 private:
  bool WriteName(std::string_view name);
  AddStatus CopyRaw(ByteSource& data, uint64_t& stored);
  AddStatus Deflate(ByteSource& data, uint64_t& stored);

  ContainerOutput& out_;
  WriterOptions options_;
  std::string error_;
};

}  // namespace engine
