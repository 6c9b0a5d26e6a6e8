#include "engine/setup_data_stream.h"

#include <algorithm>
#include <cstring>

namespace engine {

bool ByteSource::Skip(uint64_t count, uint64_t& skipped) {
  unsigned char scratch[4096];
  skipped = 0;
  while (skipped < count) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(count - skipped, sizeof scratch));
    size_t got = 0;
    if (!Read(scratch, want, got)) return false;
    if (got == 0) break;
    skipped += got;
  }
  return true;
}

bool MemorySource::Read(void* data, size_t size, size_t& got) {
  got = std::min(size, bytes_.size() - position_);
  if (got != 0) std::memcpy(data, bytes_.data() + position_, got);
  position_ += got;
  return true;
}

bool MemorySource::Skip(uint64_t count, uint64_t& skipped) {
  skipped = std::min<uint64_t>(count, bytes_.size() - position_);
  position_ += static_cast<size_t>(skipped);
  return true;
}

bool StringSink::Write(const void* data, size_t size) {
  bytes_.append(static_cast<const char*>(data), size);
  return true;
}

bool StringSink::Truncate() {
  bytes_.clear();
  return true;
}

bool StringSink::Close() {
  closed_ = true;
  return true;
}

}  // namespace engine
