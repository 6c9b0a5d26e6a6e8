#include "engine/setup_data_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace engine {
namespace {

// Inflated bytes go to the sink in pieces of this size; large enough that
// zlib's fast loop runs and the sink sees few calls.
constexpr size_t kInflateChunkSize = 0x40000;

}  // namespace

SetupDataReader::SetupDataReader(ByteSource& source)
    : source_(source), buffer_(kDataCopyBlockSize) {}

SetupDataReader::~SetupDataReader() = default;

void SetupDataReader::Consume(size_t count) {
  begin_ += count;
  consumed_ += count;
}

bool SetupDataReader::Ensure(size_t count) {
  if (available() >= count) return true;
  if (begin_ != 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, available());
    end_ -= begin_;
    begin_ = 0;
  }
  while (available() < count && !sourceEnded_) {
    size_t got = 0;
    if (!source_.Read(buffer_.data() + end_, buffer_.size() - end_, got)) return false;
    if (got == 0) sourceEnded_ = true;
    end_ += got;
  }
  return true;
}

bool SetupDataReader::Refill() {
  begin_ = end_ = 0;
  if (sourceEnded_) return true;
  size_t got = 0;
  if (!source_.Read(buffer_.data(), buffer_.size(), got)) return false;
  if (got == 0) sourceEnded_ = true;
  end_ = got;
  return true;
}

SetupDataReader::HeaderStatus SetupDataReader::ReadHeader() {
  if (!Ensure(kDataFileHeaderSize)) return HeaderStatus::kReadError;
  if (available() < sizeof kDataFileMagic ||
      std::memcmp(buffer_.data() + begin_, kDataFileMagic, sizeof kDataFileMagic) != 0) {
    // No header: nothing is consumed, so the entries start at the first byte.
    return HeaderStatus::kOk;
  }
  hasHeader_ = true;
  unsigned char header[kDataFileHeaderSize] = {};
  size_t have = std::min(available(), kDataFileHeaderSize);
  std::memcpy(header, buffer_.data() + begin_, have);
  Consume(have);
  optionsLength_ = LoadLe32(header + 4);

  size_t known = std::min<uint32_t>(optionsLength_, kDataFileOptionsSize);
  if (!Ensure(known)) return HeaderStatus::kReadError;
  unsigned char record[kDataFileOptionsSize] = {};
  have = std::min(available(), known);
  std::memcpy(record, buffer_.data() + begin_, have);
  Consume(have);
  options_.compressed = record[0] != 0;
  options_.nameFormat = LoadLe32(record + 1);

  // Options this reader does not know are passed over; a record that runs
  // past the end of the file simply leaves no entries.
  uint64_t unknown = optionsLength_ - known;
  uint64_t fromBuffer = std::min<uint64_t>(unknown, available());
  Consume(static_cast<size_t>(fromBuffer));
  unknown -= fromBuffer;
  if (unknown != 0) {
    uint64_t skipped = 0;
    if (!source_.Skip(unknown, skipped)) return HeaderStatus::kReadError;
    consumed_ += skipped;
    if (skipped < unknown) sourceEnded_ = true;
  }
  return HeaderStatus::kOk;
}

SetupDataReader::NextStatus SetupDataReader::Next(DataFileEntryInfo& entry) {
  if (finished_) return finalStatus_;
  auto finish = [this](NextStatus status) {
    finished_ = true;
    finalStatus_ = status;
    return status;
  };
  if (inData_) {
    DataStatus skipped = SkipData();
    if (skipped == DataStatus::kReadError) return finish(NextStatus::kReadError);
  }

  entry = DataFileEntryInfo();
  entry.offset = consumed_;
  if (!Ensure(1)) return finish(NextStatus::kReadError);
  if (available() == 0) return finish(NextStatus::kEnd);

  size_t nameLength = buffer_[begin_];
  size_t nameField = options_.prefixedNames() ? 1 + nameLength : kFixedNameFieldSize;
  if (!Ensure(nameField + 4)) return finish(NextStatus::kReadError);
  if (available() < nameField + 4) return finish(NextStatus::kTruncatedField);

  const unsigned char* field = buffer_.data() + begin_;
  entry.name = ToBackslashes(
      std::string_view(reinterpret_cast<const char*>(field + 1), std::min(nameLength, kMaxEntryNameLength)));
  entry.size = static_cast<int32_t>(LoadLe32(field + nameField));
  Consume(nameField + 4);

  if (IsEndOfContainerName(entry.name)) return finish(NextStatus::kEmptyName);
  entry.problem = CheckEntryName(entry.name);
  if (entry.problem != EntryNameProblem::kNone) return finish(NextStatus::kUnsafeName);
  if (entry.size < 0) return finish(NextStatus::kNegativeSize);

  inData_ = true;
  dataLeft_ = static_cast<uint64_t>(entry.size);
  return NextStatus::kEntry;
}

SetupDataReader::DataStatus SetupDataReader::ReadData(EntrySink* sink) {
  if (!inData_) return DataStatus::kComplete;
  inflateError_.clear();
  if (sink == nullptr) return SkipData();
  return options_.compressed ? Inflate(*sink) : CopyRaw(*sink);
}

SetupDataReader::DataStatus SetupDataReader::SkipData() {
  inData_ = false;
  uint64_t fromBuffer = std::min<uint64_t>(dataLeft_, available());
  Consume(static_cast<size_t>(fromBuffer));
  dataLeft_ -= fromBuffer;
  if (dataLeft_ == 0) return DataStatus::kComplete;
  if (sourceEnded_) {
    dataLeft_ = 0;
    return DataStatus::kTruncated;
  }
  uint64_t skipped = 0;
  bool ok = source_.Skip(dataLeft_, skipped);
  consumed_ += skipped;
  bool shortSkip = skipped < dataLeft_;
  dataLeft_ = 0;
  if (!ok) return DataStatus::kReadError;
  if (shortSkip) {
    sourceEnded_ = true;
    return DataStatus::kTruncated;
  }
  return DataStatus::kComplete;
}

SetupDataReader::DataStatus SetupDataReader::CopyRaw(EntrySink& sink) {
  while (dataLeft_ != 0) {
    if (available() == 0) {
      if (!Refill()) {
        inData_ = false;
        return DataStatus::kReadError;
      }
      if (available() == 0) {
        inData_ = false;
        dataLeft_ = 0;
        return DataStatus::kTruncated;
      }
    }
    size_t piece = static_cast<size_t>(std::min<uint64_t>(dataLeft_, available()));
    if (!sink.Write(buffer_.data() + begin_, piece)) {
      // The rest of the entry is left unread; reading does not go on after a
      // write error, but Next() would still find the following entry.
      return DataStatus::kWriteError;
    }
    Consume(piece);
    dataLeft_ -= piece;
  }
  inData_ = false;
  return DataStatus::kComplete;
}

SetupDataReader::DataStatus SetupDataReader::Inflate(EntrySink& sink) {
  if (dataLeft_ == 0) {
    // Nothing stored: the target stays empty, which is what the entry holds.
    inData_ = false;
    return DataStatus::kComplete;
  }
  if (inflated_.empty()) inflated_.resize(kInflateChunkSize);

  z_stream zs;
  std::memset(&zs, 0, sizeof zs);
  if (inflateInit(&zs) != Z_OK) {
    inflateError_ = "zlib could not start inflating";
    DataStatus skipped = SkipData();
    return skipped == DataStatus::kComplete ? DataStatus::kInflateFailed : skipped;
  }

  enum class End { kStream, kTruncated, kBad, kReadError, kWriteError } end;
  for (;;) {
    if (available() == 0 && dataLeft_ != 0) {
      if (!Refill()) {
        end = End::kReadError;
        break;
      }
      if (available() == 0) {
        end = End::kTruncated;
        break;
      }
    }
    // With every stored byte given, zlib is still called: it may hold output
    // that did not fit into the last chunk.
    size_t offered = static_cast<size_t>(std::min<uint64_t>(dataLeft_, available()));
    zs.next_in = buffer_.data() + begin_;
    zs.avail_in = static_cast<uInt>(offered);
    zs.next_out = inflated_.data();
    zs.avail_out = static_cast<uInt>(inflated_.size());
    int ret = inflate(&zs, Z_NO_FLUSH);
    size_t used = offered - zs.avail_in;
    Consume(used);
    dataLeft_ -= used;
    size_t produced = inflated_.size() - zs.avail_out;
    if (produced != 0 && !sink.Write(inflated_.data(), produced)) {
      end = End::kWriteError;
      break;
    }
    if (ret == Z_STREAM_END) {
      end = End::kStream;
      break;
    }
    if (ret == Z_NEED_DICT) {
      // A preset dictionary is not part of the format; asking again would
      // only repeat the answer.
      inflateError_ = "the stream needs a preset dictionary";
      end = End::kBad;
      break;
    }
    if (ret < 0 && ret != Z_BUF_ERROR) {
      inflateError_ = zs.msg != nullptr ? zs.msg : "zlib error " + std::to_string(ret);
      end = End::kBad;
      break;
    }
    if (used == 0 && produced == 0 && dataLeft_ == 0) {
      inflateError_ = "the stream ends before its end mark";
      end = End::kBad;
      break;
    }
  }
  inflateEnd(&zs);

  switch (end) {
    case End::kWriteError:
      return DataStatus::kWriteError;
    case End::kReadError:
      inData_ = false;
      return DataStatus::kReadError;
    case End::kStream: {
      // Bytes after the end mark belong to the entry and are passed over; the
      // entry counts only when all of its stored bytes are there.
      DataStatus rest = SkipData();
      if (rest == DataStatus::kComplete) return rest;
      if (rest == DataStatus::kTruncated && !sink.Truncate()) return DataStatus::kWriteError;
      return rest;
    }
    case End::kTruncated:
      inData_ = false;
      dataLeft_ = 0;
      return sink.Truncate() ? DataStatus::kTruncated : DataStatus::kWriteError;
    case End::kBad: {
      if (!sink.Truncate()) return DataStatus::kWriteError;
      DataStatus rest = SkipData();
      return rest == DataStatus::kComplete ? DataStatus::kInflateFailed : rest;
    }
  }
  return DataStatus::kInflateFailed;
}

const char* NextStatusText(SetupDataReader::NextStatus status) {
  using S = SetupDataReader::NextStatus;
  switch (status) {
    case S::kEntry: return "entry";
    case S::kEnd: return "end of file";
    case S::kEmptyName: return "empty name ends the container";
    case S::kTruncatedField: return "the file ends inside an entry's name or size field";
    case S::kUnsafeName: return "an entry name would leave the destination";
    case S::kNegativeSize: return "an entry's size field is negative";
    case S::kReadError: return "read error";
  }
  return "unknown";
}

const char* DataStatusText(SetupDataReader::DataStatus status) {
  using S = SetupDataReader::DataStatus;
  switch (status) {
    case S::kComplete: return "complete";
    case S::kTruncated: return "the file ends inside the entry's data";
    case S::kInflateFailed: return "the data does not inflate";
    case S::kReadError: return "read error";
    case S::kWriteError: return "write error";
  }
  return "unknown";
}

}  // namespace engine
