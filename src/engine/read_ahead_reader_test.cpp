#include "engine/read_ahead_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/setup_data_test_support.h"

namespace engine {
namespace {

using namespace engine::testing;
using Next = SetupDataReader::NextStatus;
using Data = SetupDataReader::DataStatus;

// What a sink receives, in order: the bytes (their count and a hash, however
// they were cut into pieces) and each Truncate. When `refuse` is set it
// refuses the first bytes offered.
class CallLogSink final : public EntrySink {
 public:
  CallLogSink(std::string& log, bool refuse) : log_(log), refuse_(refuse) {}
  bool Write(const void* data, size_t size) override {
    if (refuse_) {
      Flush();
      log_ += " refused";
      return false;
    }
    for (size_t i = 0; i < size; ++i) hash_ = (hash_ ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211u;
    count_ += size;
    return true;
  }
  bool Truncate() override {
    Flush();
    log_ += " truncate";
    return true;
  }
  bool Close() override { return true; }
  void Flush() {
    if (count_ != 0) log_ += " bytes " + std::to_string(count_) + " hash " + std::to_string(hash_);
    count_ = 0;
    hash_ = 14695981039346656037u;
  }

 private:
  std::string& log_;
  bool refuse_;
  size_t count_ = 0;
  uint64_t hash_ = 14695981039346656037u;
};

std::string Describe(Next status, const DataFileEntryInfo& entry) {
  return "\nnext " + std::string(NextStatusText(status)) + " \"" + entry.name + "\" size " +
         std::to_string(entry.size) + " at " + std::to_string(entry.offset) + " problem " +
         std::to_string(static_cast<int>(entry.problem));
}

// Walks a container with either reader and writes down everything it sees:
// statuses, entries and what each sink receives. Entries whose position is
// in `skipped` get a null sink; those in `refused` a sink that refuses bytes.
template <class Reader>
std::string Walk(Reader& reader, const std::vector<size_t>& skipped, const std::vector<size_t>& refused = {}) {
  std::string log = "header " + std::to_string(static_cast<int>(reader.ReadHeader()));
  DataFileEntryInfo entry;
  for (size_t index = 0;; ++index) {
    Next next = reader.Next(entry);
    log += Describe(next, entry);
    if (next != Next::kEntry) {
      log += " then " + std::string(NextStatusText(reader.Next(entry)));
      return log;
    }
    bool skip = std::find(skipped.begin(), skipped.end(), index) != skipped.end();
    CallLogSink sink(log, std::find(refused.begin(), refused.end(), index) != refused.end());
    Data data = reader.ReadData(skip ? nullptr : &sink);
    sink.Flush();
    log += " -> " + std::string(DataStatusText(data));
  }
}

std::string WalkInline(ByteSource& source, const std::vector<size_t>& skipped,
                       const std::vector<size_t>& refused = {}) {
  SetupDataReader reader(source);
  return Walk(reader, skipped, refused);
}

std::string WalkAhead(ByteSource& source, const std::vector<size_t>& skipped, size_t bufferSize,
                      const std::vector<size_t>& refused = {}) {
  size_t index = 0;
  ReadAheadReader reader(
      source,
      [&index, &skipped](const DataFileEntryInfo&) {
        return std::find(skipped.begin(), skipped.end(), index++) == skipped.end();
      },
      bufferSize);
  return Walk(reader, skipped, refused);
}

std::vector<std::string> Containers() {
  std::string big = TestBytes(3 << 20, 7, true);
  std::string bad = ZlibCompress(TestBytes(300000, 4, true));
  bad[bad.size() / 2] ^= 0x40;
  std::string cut = ZlibCompress(TestBytes(100000, 6, true));
  return {
      Header(false, 2) + PrefixedEntry("a.txt", "alpha") + PrefixedEntry("b/c.txt", "") +
          PrefixedEntry("big.bin", big) + PrefixedEntry("d", "delta"),
      Header(true, 2) + PrefixedEntry("big", ZlibCompress(big)) + PrefixedEntry("empty", "") +
          PrefixedEntry("bad", bad) + PrefixedEntry("h", kHelloZlib) + PrefixedEntry("tail", kHelloZlib + "xyz") +
          PrefixedEntry("cut", cut.substr(0, cut.size() - 10)),
      FixedEntry("no header", "raw from the first byte") + FixedEntry("second", "2"),
      Header(false, 2) + PrefixedEntry("first", "1") + PrefixedEntry("  ", "after the end") + PrefixedEntry("x", "x"),
      Header(false, 2) + PrefixedEntry("ok", "1") + PrefixedEntry("..\\evil", "e"),
      Header(false, 2) + PrefixedEntry("ok", "1") + PrefixedName("neg") + Le32(0xFFFFFFF0u) + "data",
      Header(false, 2) + PrefixedEntry("ok", "1") + PrefixedName("cut") + std::string("\x01", 1),
      Header(false, 2) + PrefixedEntry("ok", "1") + PrefixedName("cut") + Le32(1000) + "part",
      Header(true, 2) + PrefixedEntry("needs dict", std::string("\x78\xbb\x00\x00\x00\x01", 6)) +
          PrefixedEntry("h", kHelloZlib),
  };
}

TEST(ReadAheadReaderTest, AnswersAsTheInlineReaderWhateverTheDistanceAhead) {
  const std::vector<std::vector<size_t>> skips = {{}, {0}, {1, 2}, {0, 2, 4}};
  int number = 0;
  for (const std::string& container : Containers()) {
    ++number;
    for (const auto& skipped : skips) {
      MemorySource inlineSource(container);
      std::string expected = WalkInline(inlineSource, skipped);
      for (size_t bufferSize : {size_t{1}, size_t{100000}, ReadAheadReader::kDefaultBufferSize}) {
        MemorySource source(container);
        EXPECT_EQ(WalkAhead(source, skipped, bufferSize), expected)
            << "container " << number << ", " << skipped.size() << " skipped, buffer " << bufferSize;
      }
    }
  }
}

TEST(ReadAheadReaderTest, ReadErrorsArriveWhereTheInlineReaderMeetsThem) {
  std::string container = Header(true, 2) + PrefixedEntry("one", ZlibCompress(TestBytes(200000, 1, true))) +
                          PrefixedEntry("two", kHelloZlib) + PrefixedEntry("three", ZlibCompress(TestBytes(5000, 2)));
  for (size_t failAt : {size_t{0}, size_t{5}, size_t{15}, size_t{20}, size_t{5000}, container.size() - 30,
                        container.size() - 1}) {
    PiecewiseSource inlineSource(container, 4096, failAt);
    std::string expected = WalkInline(inlineSource, {});
    PiecewiseSource source(container, 4096, failAt);
    EXPECT_EQ(WalkAhead(source, {}, 4096), expected) << "the source fails after " << failAt << " bytes";
  }
}

TEST(ReadAheadReaderTest, RefusedBytesLeaveTheRestOfTheEntryForNextToDrop) {
  for (const std::string& container : {Containers()[0], Containers()[1]}) {
    MemorySource inlineSource(container);
    std::string expected = WalkInline(inlineSource, {}, {0, 2});
    MemorySource source(container);
    EXPECT_EQ(WalkAhead(source, {}, 4096, {0, 2}), expected);
    EXPECT_NE(expected.find("refused"), std::string::npos);
  }
}

// Reads as a PiecewiseSource does and remembers how far it was read.
class CountingSource final : public ByteSource {
 public:
  explicit CountingSource(const std::string& bytes) : source_(bytes) {}
  bool Read(void* data, size_t size, size_t& got) override { return source_.Read(data, size, got); }
  size_t position() const { return source_.position(); }

 private:
  MemorySource source_;
};

TEST(ReadAheadReaderTest, ReadsABoundedDistanceAheadAndStopsWhenDestroyed) {
  std::string container = Header(false, 2);
  for (int i = 0; i < 64; ++i) container += PrefixedEntry("file" + std::to_string(i), TestBytes(100000, i));
  CountingSource source(container);
  const size_t bufferSize = 64 * 1024;
  {
    ReadAheadReader reader(source, [](const DataFileEntryInfo&) { return true; }, bufferSize);
    ASSERT_EQ(reader.ReadHeader(), SetupDataReader::HeaderStatus::kOk);
    DataFileEntryInfo entry;
    ASSERT_EQ(reader.Next(entry), Next::kEntry);
    StringSink sink;
    ASSERT_EQ(reader.ReadData(&sink), Data::kComplete);
    EXPECT_EQ(sink.bytes(), TestBytes(100000, 0));
    // Destroyed here while the reading thread waits for room (or is about to).
  }
  // What the caller took, the buffer and the reader's own 64 KiB input
  // buffer (with a few names): the reading thread never gets further.
  size_t bound = 13 + 6 + 100000 + bufferSize + 65536 + 1024;
  EXPECT_LE(source.position(), bound) << "of " << container.size() << " bytes";
}

}  // namespace
}  // namespace engine
