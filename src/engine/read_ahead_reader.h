// ReadAheadReader: the entries of a setup data file read and inflated on a
// thread of its own, a bounded distance ahead of the caller, so that the
// caller's file handling (creating, writing and closing the targets) and the
// reading and inflating overlap.
//
// It answers as a SetupDataReader over the same source would: the same
// entries and statuses in the same order, and each sink receives the same
// bytes and Truncate calls (the bytes possibly cut into other pieces). Which entries'
// data is read is decided on the reading thread by `wanted`, before the
// caller sees the entry: data of an entry not wanted is skipped exactly as
// ReadData(nullptr) skips it, and the caller must then pass a null sink. The
// predicate must therefore not depend on what the caller does with earlier
// entries.
//
// The source is used by the calling thread for ReadHeader only, and by the
// reading thread from then on, until the reader is destroyed; a source that
// logs its failures logs them from that thread, possibly for bytes beyond the
// point where the caller stops. Data read ahead waits in one buffer of
// `bufferSize` bytes, allocated once, so memory does not depend on the
// entries' sizes. When no thread can be started, the reader reads on the
// caller's thread, as a plain SetupDataReader. Destroying the reader stops
// the thread and waits for it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/setup_data_reader.h"
#include "engine/setup_data_stream.h"

namespace engine {

class ReadAheadReader {
 public:
  using WantedData = std::function<bool(const DataFileEntryInfo& entry)>;
  static constexpr size_t kDefaultBufferSize = 1u << 20;

  // `bufferSize` is at least 4 KiB (a smaller one is taken as 4 KiB).
  ReadAheadReader(ByteSource& source, WantedData wanted, size_t bufferSize = kDefaultBufferSize);
  ~ReadAheadReader();
  ReadAheadReader(const ReadAheadReader&) = delete;
  ReadAheadReader& operator=(const ReadAheadReader&) = delete;

  // As SetupDataReader::ReadHeader, on the calling thread; when it succeeds
  // the reading thread starts. Called once.
  SetupDataReader::HeaderStatus ReadHeader();
  const DataFileOptions& options() const { return reader_.options(); }

  // As SetupDataReader::Next: drops what is left of the current entry's data;
  // every status but kEntry is final and repeats.
  SetupDataReader::NextStatus Next(DataFileEntryInfo& entry);

  // Passes the current entry's data, as read ahead, to `sink` (null for an
  // entry not wanted; then what was read for it is dropped). Returns the
  // status the reading thread had; kWriteError when the sink refused bytes or
  // a Truncate, which leaves the rest of the entry unread. A second call for
  // the same entry does nothing.
  SetupDataReader::DataStatus ReadData(EntrySink* sink);

 private:
  // One thing the reading thread met, in order: an entry (or the final
  // status), a piece of its data in the buffer, a Truncate, the end of its data.
  struct Item {
    enum class Kind { kNext, kBytes, kTruncate, kDataEnd };
    Item() = default;
    explicit Item(Kind k) : kind(k) {}
    Kind kind = Kind::kNext;
    SetupDataReader::NextStatus next = SetupDataReader::NextStatus::kEnd;
    SetupDataReader::DataStatus data = SetupDataReader::DataStatus::kComplete;
    DataFileEntryInfo entry;
    size_t offset = 0;  // kBytes: where in the buffer, and how many
    size_t length = 0;
  };
  class QueueSink;

  void Run();
  bool PushBytes(const unsigned char* data, size_t size);  // false once the reader is stopping
  bool Push(Item item, std::unique_lock<std::mutex>& hold);
  bool Push(Item item);
  void WaitForCaller(std::unique_lock<std::mutex>& hold);  // wakes a waiting caller, then waits for room
  bool Pop(Item& item);  // false when the reading thread ended without more items

  SetupDataReader reader_;
  WantedData wanted_;
  // A ring, left uninitialized: `used_` bytes that end at head_ are the
  // caller's, the rest is free.
  const size_t bufferSize_;
  std::unique_ptr<unsigned char[]> buffer_;

  std::mutex lock_;
  std::condition_variable itemsReady_;
  std::condition_variable spaceFree_;
  std::deque<Item> queue_;  // filled by the reading thread
  size_t used_ = 0;         // bytes of the buffer not yet given back by the caller
  size_t queuedBytes_ = 0;  // of these, by queue_
  bool stopping_ = false;
  bool ended_ = false;  // the reading thread pushes nothing more
  bool readerWaits_ = false;
  bool callerWaits_ = false;
  size_t head_ = 0;  // the reading thread's

  std::deque<Item> taken_;  // the caller's: taken from queue_ in one go
  size_t inUse_ = 0;        // bytes of the item handed out last
  size_t releasable_ = 0;   // bytes of used items not yet given back
  std::thread thread_;

  bool direct_ = false;  // no thread: calls go straight to reader_
  bool inData_ = false;
  bool finished_ = false;
  SetupDataReader::NextStatus finalStatus_ = SetupDataReader::NextStatus::kEnd;
};

}  // namespace engine
