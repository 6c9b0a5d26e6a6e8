// The byte source a setup data file is read from and the sinks its entries
// are written to, with the in-memory implementations that the tests, the
// fuzz target and the packing tool use.
//
// A source reads forward only; a failing read is reported, not thrown. A sink
// receives one entry's bytes in order and can be emptied again, which is what
// happens to the target of a compressed entry that does not inflate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace engine {

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // Reads up to `size` bytes into `data` and sets `got` to the count read;
  // `got` is 0 only at end of data. Returns false on a read error.
  virtual bool Read(void* data, size_t size, size_t& got) = 0;

  // Moves forward by `count` bytes, fewer when the data ends first; sets
  // `skipped` to the distance moved. Returns false on a read error. The
  // default reads and drops; sources that can seek do better.
  virtual bool Skip(uint64_t count, uint64_t& skipped);
};

class EntrySink {
 public:
  virtual ~EntrySink() = default;

  // Appends `size` bytes. Returns false when they could not all be written.
  virtual bool Write(const void* data, size_t size) = 0;

  // Drops everything written so far, leaving an empty file.
  virtual bool Truncate() = 0;

  // Finishes the entry (flushes and closes). Returns false when what was
  // written could not be stored. Called at most once; the destructor of a
  // sink that was not closed releases it without a result.
  virtual bool Close() = 0;
};

// Reads from bytes it does not own; they must outlive the source.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const unsigned char> bytes) : bytes_(bytes) {}
  explicit MemorySource(const std::string& bytes)
      : bytes_(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) {}
  MemorySource(std::string&&) = delete;  // the bytes would be gone before the reads

  bool Read(void* data, size_t size, size_t& got) override;
  bool Skip(uint64_t count, uint64_t& skipped) override;
  uint64_t position() const { return position_; }

 private:
  std::span<const unsigned char> bytes_;
  size_t position_ = 0;
};

// Collects the bytes in a string it owns.
class StringSink final : public EntrySink {
 public:
  bool Write(const void* data, size_t size) override;
  bool Truncate() override;
  bool Close() override;

  const std::string& bytes() const { return bytes_; }
  bool closed() const { return closed_; }

 private:
  std::string bytes_;
  bool closed_ = false;
};

// Counts the bytes and drops them: for checking that entries read and inflate.
class CountingSink final : public EntrySink {
 public:
  bool Write(const void*, size_t size) override {
    count_ += size;
    return true;
  }
  bool Truncate() override {
    count_ = 0;
    return true;
  }
  bool Close() override { return true; }
  uint64_t count() const { return count_; }

 private:
  uint64_t count_ = 0;
};

}  // namespace engine
