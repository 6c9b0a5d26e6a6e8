// Walks the entries of a setup data file (layout in setup_data_format.h).
//
// The reader owns the one 64 KiB copy buffer of a read; the source is
// borrowed and must be positioned at the container's start offset. Nothing
// is ever sized from a field of the file: raw data is passed on in pieces of
// at most 64 KiB and compressed data is inflated into the sink in bounded
// chunks, so memory stays constant whatever an entry claims. A size field
// larger than the rest of the file is truncated data.
//
//   SetupDataReader reader(source);
//   if (reader.ReadHeader() != SetupDataReader::HeaderStatus::kOk) ...;
//   DataFileEntryInfo entry;
//   while (reader.Next(entry) == SetupDataReader::NextStatus::kEntry)
//     reader.ReadData(wanted ? &sink : nullptr);
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/setup_data_format.h"
#include "engine/setup_data_stream.h"

namespace engine {

struct DataFileEntryInfo {
  std::string name;      // as stored, with every '/' replaced by '\'
  int32_t size = 0;      // the size field: data bytes (raw) or zlib stream bytes
  uint64_t offset = 0;   // of the entry's name field, from the start offset
  EntryNameProblem problem = EntryNameProblem::kNone;  // set with kUnsafeName
};

class SetupDataReader {
 public:
  explicit SetupDataReader(ByteSource& source);
  ~SetupDataReader();
  SetupDataReader(const SetupDataReader&) = delete;
  SetupDataReader& operator=(const SetupDataReader&) = delete;

  enum class HeaderStatus { kOk, kReadError };

  // Reads the optional "ILDS" header and its options. Without the magic the
  // entries start at the first byte and the options stay zero. Missing bytes
  // of a short header or options record count as zero; options beyond the 5
  // known bytes are skipped. Only a read error fails.
  HeaderStatus ReadHeader();

  bool hasHeader() const { return hasHeader_; }
  uint32_t optionsLength() const { return optionsLength_; }
  const DataFileOptions& options() const { return options_; }

  enum class NextStatus {
    kEntry,           // `entry` is filled; its data is next
    kEnd,             // end of file at an entry boundary
    kEmptyName,       // a name that trims to empty: the container ends here
    kTruncatedField,  // the file ends inside a name or size field (damaged)
    kUnsafeName,      // the name would leave the destination (damaged)
    kNegativeSize,    // the size field is below 0 (damaged)
    kReadError,
  };

  // Moves to the next entry, skipping the data of the current one when it
  // was not read. Every status but kEntry is final and repeats.
  NextStatus Next(DataFileEntryInfo& entry);

  enum class DataStatus {
    kComplete,
    kTruncated,      // the file ended inside the data; raw data read so far
                     // is in the sink, a compressed entry's sink is emptied
    kInflateFailed,  // not a valid zlib stream; sink emptied, the next entry follows
    kReadError,
    kWriteError,     // the sink refused bytes
  };

  // Passes the current entry's data to `sink` (raw bytes, or the inflated
  // bytes of a compressed entry), or skips it when `sink` is null. The sink
  // is not closed here. Calling it again for the same entry does nothing.
  DataStatus ReadData(EntrySink* sink);

  // For kInflateFailed: zlib's reason.
  const std::string& inflateError() const { return inflateError_; }

  // Offset of the next unread byte from the start offset.
  uint64_t position() const { return consumed_; }

 private:
  size_t available() const { return end_ - begin_; }
  void Consume(size_t count);
  bool Ensure(size_t count);   // at least `count` bytes buffered unless the source ends
  bool Refill();               // buffer empty: read the next piece
  DataStatus SkipData();
  DataStatus CopyRaw(EntrySink& sink);
  DataStatus Inflate(EntrySink& sink);

  ByteSource& source_;
  std::vector<unsigned char> buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
  bool sourceEnded_ = false;
  uint64_t consumed_ = 0;

  bool hasHeader_ = false;
  uint32_t optionsLength_ = 0;
  DataFileOptions options_;

  bool inData_ = false;
  uint64_t dataLeft_ = 0;
  bool finished_ = false;
  NextStatus finalStatus_ = NextStatus::kEnd;
  std::vector<unsigned char> inflated_;
  std::string inflateError_;
};

const char* NextStatusText(SetupDataReader::NextStatus status);
const char* DataStatusText(SetupDataReader::DataStatus status);

}  // namespace engine
