#include "engine/setup_data_writer.h"

#include <zlib.h>

#include <cstring>
#include <limits>
#include <vector>

namespace engine {
namespace {

constexpr uint64_t kMaxStoredSize = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());

}  // namespace

bool StringOutput::Write(const void* data, size_t size) {
  bytes_.append(static_cast<const char*>(data), size);
  return true;
}

bool StringOutput::WriteAt(uint64_t offset, const void* data, size_t size) {
  if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
  std::memcpy(bytes_.data() + offset, data, size);
  return true;
}

SetupDataWriter::SetupDataWriter(ContainerOutput& out, const WriterOptions& options)
    : out_(out), options_(options) {}

std::string SetupDataWriter::CheckOptions(const WriterOptions& options) {
  if (options.level < 0 || options.level > 9) return "the zlib level must be 0 to 9";
  if (!options.header && options.compressed) {
    return "a container without header is always raw (compressed needs the header)";
  }
  if (!options.header && options.nameFormat >= kNameFormatPrefixed) {
    return "a container without header always has 256-byte names";
  }
  return std::string();
}

bool SetupDataWriter::Begin() {
  error_ = CheckOptions(options_);
  if (!error_.empty()) return false;
  if (!options_.header) return true;
  unsigned char header[kDataFileHeaderSize + kDataFileOptionsSize];
  std::memcpy(header, kDataFileMagic, sizeof kDataFileMagic);
  StoreLe32(header + 4, kDataFileOptionsSize);
  header[8] = options_.compressed ? 1 : 0;
  StoreLe32(header + 9, options_.nameFormat);
  if (!out_.Write(header, sizeof header)) {
    error_ = "cannot write the header";
    return false;
  }
  return true;
}

bool SetupDataWriter::WriteName(std::string_view name) {
  unsigned char field[kFixedNameFieldSize] = {};
  field[0] = static_cast<unsigned char>(name.size());
  std::memcpy(field + 1, name.data(), name.size());
  size_t length = options_.nameFormat >= kNameFormatPrefixed ? 1 + name.size() : kFixedNameFieldSize;
  return out_.Write(field, length);
}

SetupDataWriter::AddStatus SetupDataWriter::Add(std::string_view name, std::string_view bytes) {
  MemorySource source(
      std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
  return Add(name, source);
}

SetupDataWriter::AddStatus SetupDataWriter::Add(std::string_view name, ByteSource& data) {
  error_.clear();
  if (name.empty() || name.size() > kMaxEntryNameLength) {
    error_ = "an entry name must have 1 to 255 characters";
    return AddStatus::kBadName;
  }
  if (IsEndOfContainerName(name)) {
    error_ = "an entry name that is blank would end the container";
    return AddStatus::kBadName;
  }
  EntryNameProblem problem = CheckEntryName(name);
  if (problem != EntryNameProblem::kNone) {
    error_ = std::string("the entry name ") + EntryNameProblemText(problem);
    return AddStatus::kBadName;
  }
  if (!WriteName(name)) {
    error_ = "cannot write an entry name";
    return AddStatus::kWriteError;
  }
  uint64_t sizeOffset = out_.position();
  unsigned char sizeField[4] = {};
  if (!out_.Write(sizeField, sizeof sizeField)) {
    error_ = "cannot write an entry size";
    return AddStatus::kWriteError;
  }
  uint64_t stored = 0;
  AddStatus status = options_.compressed ? Deflate(data, stored) : CopyRaw(data, stored);
  if (status != AddStatus::kOk) return status;
  StoreLe32(sizeField, static_cast<uint32_t>(stored));
  if (!out_.WriteAt(sizeOffset, sizeField, sizeof sizeField)) {
    error_ = "cannot write an entry size";
    return AddStatus::kWriteError;
  }
  return AddStatus::kOk;
}

SetupDataWriter::AddStatus SetupDataWriter::CopyRaw(ByteSource& data, uint64_t& stored) {
  std::vector<unsigned char> buffer(kDataCopyBlockSize);
  for (;;) {
    size_t got = 0;
    if (!data.Read(buffer.data(), buffer.size(), got)) {
      error_ = "cannot read the entry's data";
      return AddStatus::kReadError;
    }
    if (got == 0) return AddStatus::kOk;
    stored += got;
    if (stored > kMaxStoredSize) {
      error_ = "the entry is larger than 2 GiB - 1, the most a size field holds";
      return AddStatus::kTooLarge;
    }
    if (!out_.Write(buffer.data(), got)) {
      error_ = "cannot write the entry's data";
      return AddStatus::kWriteError;
    }
  }
}

SetupDataWriter::AddStatus SetupDataWriter::Deflate(ByteSource& data, uint64_t& stored) {
  std::vector<unsigned char> in(kDataCopyBlockSize);
  std::vector<unsigned char> out(kDataCopyBlockSize);
  z_stream zs;
  std::memset(&zs, 0, sizeof zs);
  if (deflateInit(&zs, options_.level) != Z_OK) {
    error_ = "zlib could not start compressing";
    return AddStatus::kCompressError;
  }
  AddStatus status = AddStatus::kOk;
  bool inputEnded = false;
  for (;;) {
    if (zs.avail_in == 0 && !inputEnded) {
      size_t got = 0;
      if (!data.Read(in.data(), in.size(), got)) {
        error_ = "cannot read the entry's data";
        status = AddStatus::kReadError;
        break;
      }
      inputEnded = got == 0;
      zs.next_in = in.data();
      zs.avail_in = static_cast<uInt>(got);
    }
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    int ret = deflate(&zs, inputEnded ? Z_FINISH : Z_NO_FLUSH);
    if (ret == Z_STREAM_ERROR) {
      error_ = "zlib failed while compressing";
      status = AddStatus::kCompressError;
      break;
    }
    size_t produced = out.size() - zs.avail_out;
    stored += produced;
    if (stored > kMaxStoredSize) {
      error_ = "the compressed entry is larger than 2 GiB - 1, the most a size field holds";
      status = AddStatus::kTooLarge;
      break;
    }
    if (produced != 0 && !out_.Write(out.data(), produced)) {
      error_ = "cannot write the entry's data";
      status = AddStatus::kWriteError;
      break;
    }
    if (ret == Z_STREAM_END) break;
  }
  deflateEnd(&zs);
  return status;
}

}  // namespace engine
