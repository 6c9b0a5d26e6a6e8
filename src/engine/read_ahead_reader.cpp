#include "engine/read_ahead_reader.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <utility>

namespace engine {
namespace {

using NextStatus = SetupDataReader::NextStatus;
using DataStatus = SetupDataReader::DataStatus;

constexpr size_t kMinBufferSize = 4096;
// Items waiting in the queue at most; each entry makes at least two.
constexpr size_t kMaxQueuedItems = 1024;

}  // namespace

// The reading thread's sink: every call becomes an item for the caller's
// sink. It refuses bytes once the reader is stopping, which ends the read.
class ReadAheadReader::QueueSink final : public EntrySink {
 public:
  explicit QueueSink(ReadAheadReader& owner) : owner_(owner) {}
  bool Write(const void* data, size_t size) override {
    return owner_.PushBytes(static_cast<const unsigned char*>(data), size);
  }
  bool Truncate() override { return owner_.Push(Item(Item::Kind::kTruncate)); }
  bool Close() override { return true; }

 private:
  ReadAheadReader& owner_;
};

ReadAheadReader::ReadAheadReader(ByteSource& source, WantedData wanted, size_t bufferSize)
    : reader_(source),
      wanted_(std::move(wanted)),
      bufferSize_(std::max(bufferSize, kMinBufferSize)),
      buffer_(new unsigned char[bufferSize_]) {}

ReadAheadReader::~ReadAheadReader() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
  }
  spaceFree_.notify_all();
  if (thread_.joinable()) thread_.join();
}

SetupDataReader::HeaderStatus ReadAheadReader::ReadHeader() {
  SetupDataReader::HeaderStatus status = reader_.ReadHeader();
  if (status != SetupDataReader::HeaderStatus::kOk) {
    direct_ = true;  // whatever the caller asks next, the reader answers as it would
    return status;
  }
  try {
    thread_ = std::thread(&ReadAheadReader::Run, this);
  } catch (const std::system_error&) {
    direct_ = true;  // slower, not wrong
  }
  return status;
}

void ReadAheadReader::Run() {
  try {
    for (;;) {
      Item next(Item::Kind::kNext);
      next.next = reader_.Next(next.entry);
      bool entry = next.next == NextStatus::kEntry;
      bool wanted = entry && wanted_(next.entry);
      if (!Push(std::move(next)) || !entry) break;
      QueueSink sink(*this);
      Item end(Item::Kind::kDataEnd);
      end.data = reader_.ReadData(wanted ? &sink : nullptr);
      if (!Push(std::move(end))) break;
    }
  } catch (...) {
    // Out of memory: the caller finds a read error where the items end.
  }
  std::lock_guard<std::mutex> hold(lock_);
  ended_ = true;
  itemsReady_.notify_one();
}

bool ReadAheadReader::PushBytes(const unsigned char* data, size_t size) {
  while (size != 0) {
    // A piece never wraps around the end of the buffer; the free space
    // starts at head_, so it fits once that much is free.
    size_t piece = std::min(size, bufferSize_ - head_);
    std::unique_lock<std::mutex> hold(lock_);
    while (!stopping_ && bufferSize_ - used_ < piece) {
      WaitForCaller(hold);
    }
    readerWaits_ = false;
    if (stopping_) return false;
    hold.unlock();
    // The caller never reads the free space, so the copy needs no lock.
    std::memcpy(buffer_.get() + head_, data, piece);
    Item item(Item::Kind::kBytes);
    item.offset = head_;
    item.length = piece;
    head_ = (head_ + piece) % bufferSize_;
    data += piece;
    size -= piece;
    hold.lock();
    used_ += piece;
    if (!Push(std::move(item), hold)) return false;
  }
  return true;
}

bool ReadAheadReader::Push(Item item) {
  std::unique_lock<std::mutex> hold(lock_);
  return Push(std::move(item), hold);
}

bool ReadAheadReader::Push(Item item, std::unique_lock<std::mutex>& hold) {
  while (!stopping_ && queue_.size() >= kMaxQueuedItems) {
    WaitForCaller(hold);
  }
  readerWaits_ = false;
  if (stopping_) return false;
  queuedBytes_ += item.length;
  queue_.push_back(std::move(item));
  // A waiting caller is woken for a batch worth the switch between threads,
  // not for every piece; when the reading thread waits itself or ends, it
  // wakes the caller whatever is queued.
  if (callerWaits_ && (queuedBytes_ >= bufferSize_ / 8 || queue_.size() >= 32)) itemsReady_.notify_one();
  return true;
}

void ReadAheadReader::WaitForCaller(std::unique_lock<std::mutex>& hold) {
  if (callerWaits_) itemsReady_.notify_one();
  readerWaits_ = true;
  spaceFree_.wait(hold);
}

bool ReadAheadReader::Pop(Item& item) {
  // The item handed out last has been used (an item is used before the next
  // is asked for): its bytes go back to the reading thread, a quarter of the
  // buffer at a time, so that the threads meet seldom but the reading thread
  // never waits for a whole batch to be done.
  releasable_ += inUse_;
  inUse_ = 0;
  if (taken_.empty() || releasable_ >= bufferSize_ / 4) {
    std::unique_lock<std::mutex> hold(lock_);
    used_ -= releasable_;
    releasable_ = 0;
    if (readerWaits_) spaceFree_.notify_one();
    if (taken_.empty()) {
      // Everything queued is taken at once.
      while (queue_.empty() && !ended_) {
        callerWaits_ = true;
        itemsReady_.wait(hold);
      }
      callerWaits_ = false;
      if (queue_.empty()) return false;
      taken_.swap(queue_);
      queuedBytes_ = 0;
      if (readerWaits_) spaceFree_.notify_one();
    }
  }
  item = std::move(taken_.front());
  taken_.pop_front();
  inUse_ = item.length;
  return true;
}

SetupDataReader::NextStatus ReadAheadReader::Next(DataFileEntryInfo& entry) {
  if (direct_) return reader_.Next(entry);
  if (finished_) return finalStatus_;
  if (inData_) ReadData(nullptr);
  if (finished_) return finalStatus_;
  Item item;
  if (!Pop(item) || item.kind != Item::Kind::kNext) {
    finished_ = true;
    finalStatus_ = NextStatus::kReadError;
    return finalStatus_;
  }
  entry = std::move(item.entry);
  if (item.next == NextStatus::kEntry) {
    inData_ = true;
  } else {
    finished_ = true;
    finalStatus_ = item.next;
  }
  return item.next;
}

SetupDataReader::DataStatus ReadAheadReader::ReadData(EntrySink* sink) {
  if (direct_) return reader_.ReadData(sink);
  if (!inData_) return DataStatus::kComplete;
  Item item;
  while (Pop(item)) {
    switch (item.kind) {
      case Item::Kind::kBytes:
        // After a refusal the rest of the entry stays unread, as with
        // SetupDataReader; Next() drops it.
        if (sink != nullptr && !sink->Write(buffer_.get() + item.offset, item.length)) return DataStatus::kWriteError;
        break;
      case Item::Kind::kTruncate:
        if (sink != nullptr && !sink->Truncate()) return DataStatus::kWriteError;
        break;
      case Item::Kind::kDataEnd:
        inData_ = false;
        return item.data;
      case Item::Kind::kNext:
        break;  // never inside an entry's data
    }
  }
  // The reading thread ended inside the data (it ran out of memory).
  inData_ = false;
  finished_ = true;
  finalStatus_ = NextStatus::kReadError;
  return DataStatus::kReadError;
}

}  // namespace engine
