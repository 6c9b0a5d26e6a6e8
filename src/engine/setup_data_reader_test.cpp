#include "engine/setup_data_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

#include "support/setup_data_test_support.h"

// The largest single request made through operator new while a test watches:
// a size field must never turn into an allocation.
namespace {
std::atomic<bool> g_watchAllocations{false};
std::atomic<size_t> g_largestAllocation{0};
}  // namespace

void* operator new(size_t size) {
  if (g_watchAllocations.load()) {
    size_t seen = g_largestAllocation.load();
    while (size > seen && !g_largestAllocation.compare_exchange_weak(seen, size)) {
    }
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
// The release goes through a function of its own: inlined into a delete
// expression, a bare free() of memory from operator new reads to the compiler
// as a mismatched pair.
[[gnu::noinline]] static void ReleaseAllocation(void* p) noexcept { std::free(p); }
void operator delete(void* p) noexcept { ReleaseAllocation(p); }
void operator delete(void* p, size_t) noexcept { ReleaseAllocation(p); }

namespace engine {
namespace {

using namespace engine::testing;
using Next = SetupDataReader::NextStatus;
using Data = SetupDataReader::DataStatus;

struct ReadEntry {
  std::string name;
  std::string bytes;
  Data status;
};

struct ReadAll {
  SetupDataReader::HeaderStatus header;
  bool hasHeader = false;
  DataFileOptions options;
  std::vector<ReadEntry> entries;
  Next end;
  DataFileEntryInfo last;  // the entry of a final status that has one
};

ReadAll ReadContainer(ByteSource& source) {
  ReadAll all;
  SetupDataReader reader(source);
  all.header = reader.ReadHeader();
  all.hasHeader = reader.hasHeader();
  all.options = reader.options();
  if (all.header != SetupDataReader::HeaderStatus::kOk) return all;
  DataFileEntryInfo entry;
  for (;;) {
    Next next = reader.Next(entry);
    if (next != Next::kEntry) {
      all.end = next;
      all.last = entry;
      return all;
    }
    StringSink sink;
    Data status = reader.ReadData(&sink);
    all.entries.push_back({entry.name, sink.bytes(), status});
  }
}

ReadAll ReadBytes(const std::string& bytes) {
  MemorySource source(bytes);
  return ReadContainer(source);
}

TEST(SetupDataReaderTest, WithoutMagicReadsRawEntriesWith256ByteNamesFromTheFirstByte) {
  ReadAll all = ReadBytes(FixedEntry("readme.txt", "abc") + FixedEntry("bin\\empty.dat", ""));
  ASSERT_EQ(all.header, SetupDataReader::HeaderStatus::kOk);
  EXPECT_FALSE(all.hasHeader);
  EXPECT_FALSE(all.options.compressed);
  EXPECT_EQ(all.options.nameFormat, 0u);
  ASSERT_EQ(all.entries.size(), 2u);
  EXPECT_EQ(all.entries[0].name, "readme.txt");
  EXPECT_EQ(all.entries[0].bytes, "abc");
  EXPECT_EQ(all.entries[0].status, Data::kComplete);
  EXPECT_EQ(all.entries[1].name, "bin\\empty.dat");
  EXPECT_EQ(all.entries[1].bytes, "");
  EXPECT_EQ(all.end, Next::kEnd);
}

TEST(SetupDataReaderTest, NameFormatBelowTwoIsFixedTwoAndAboveIsPrefixed) {
  for (uint32_t format : {0u, 1u}) {
    ReadAll all = ReadBytes(Header(false, format) + FixedEntry("a.txt", "1234") + FixedEntry("b.txt", "5"));
    ASSERT_EQ(all.entries.size(), 2u) << "nameFormat " << format;
    EXPECT_TRUE(all.hasHeader);
    EXPECT_EQ(all.options.nameFormat, format);
    EXPECT_EQ(all.entries[1].name, "b.txt") << "nameFormat " << format;
    EXPECT_EQ(all.entries[1].bytes, "5") << "nameFormat " << format;
    EXPECT_EQ(all.end, Next::kEnd) << "nameFormat " << format;
  }
  for (uint32_t format : {2u, 3u, 0xFFFFFFFFu}) {
    ReadAll all = ReadBytes(Header(false, format) + PrefixedEntry("a.txt", "1234") + PrefixedEntry("b.txt", "5"));
    ASSERT_EQ(all.entries.size(), 2u) << "nameFormat " << format;
    EXPECT_EQ(all.entries[0].name, "a.txt");
    EXPECT_EQ(all.entries[0].bytes, "1234");
    EXPECT_EQ(all.entries[1].bytes, "5") << "nameFormat " << format;
    EXPECT_EQ(all.end, Next::kEnd) << "nameFormat " << format;
  }
}

TEST(SetupDataReaderTest, LongestNamesFillTheirFields) {
  std::string name(255, 'n');
  ReadAll fixed = ReadBytes(FixedEntry(name, "x"));
  ASSERT_EQ(fixed.entries.size(), 1u);
  EXPECT_EQ(fixed.entries[0].name, name);
  ReadAll prefixed = ReadBytes(Header(false, 2) + PrefixedEntry(name, "y"));
  ASSERT_EQ(prefixed.entries.size(), 1u);
  EXPECT_EQ(prefixed.entries[0].name, name);
  EXPECT_EQ(prefixed.entries[0].bytes, "y");
}

TEST(SetupDataReaderTest, ForwardSlashesBecomeBackslashes) {
  ReadAll all = ReadBytes(Header(false, 2) + PrefixedEntry("a/b/c.txt", "c") + PrefixedEntry("d\\e/f", ""));
  ASSERT_EQ(all.entries.size(), 2u);
  EXPECT_EQ(all.entries[0].name, "a\\b\\c.txt");
  EXPECT_EQ(all.entries[1].name, "d\\e\\f");
}

TEST(SetupDataReaderTest, CompressedEntriesInflate) {
  std::string big = TestBytes(700000, 7, true) + TestBytes(300000, 8);
  std::string bytes = Header(true, 2) + PrefixedEntry("hello.txt", kHelloZlib) +
                      PrefixedEntry("big.bin", ZlibCompress(big)) + PrefixedEntry("empty", "") +
                      PrefixedEntry("empty-stream", ZlibCompress(""));
  ReadAll all = ReadBytes(bytes);
  ASSERT_EQ(all.entries.size(), 4u);
  EXPECT_TRUE(all.options.compressed);
  EXPECT_EQ(all.entries[0].bytes, "hello");
  EXPECT_EQ(all.entries[0].status, Data::kComplete);
  EXPECT_EQ(all.entries[1].bytes.size(), big.size());
  EXPECT_TRUE(all.entries[1].bytes == big);
  EXPECT_EQ(all.entries[2].status, Data::kComplete) << "size 0: nothing to inflate, an empty file";
  EXPECT_EQ(all.entries[2].bytes, "");
  EXPECT_EQ(all.entries[3].status, Data::kComplete);
  EXPECT_EQ(all.entries[3].bytes, "");
  EXPECT_EQ(all.end, Next::kEnd);

  // Any non-zero value of the compressed byte means zlib.
  std::string header = Header(true, 2);
  header[8] = '\x7F';
  ReadAll other = ReadBytes(header + PrefixedEntry("h", kHelloZlib));
  ASSERT_EQ(other.entries.size(), 1u);
  EXPECT_EQ(other.entries[0].bytes, "hello");
}

TEST(SetupDataReaderTest, SourcesThatDeliverOneByteAtATimeReadTheSame) {
  std::string big = TestBytes(200000, 3, true);
  std::string bytes = Header(true, 2) + PrefixedEntry("a", ZlibCompress(big)) + PrefixedEntry("b", kHelloZlib);
  PiecewiseSource source(bytes, 1);
  ReadAll all = ReadContainer(source);
  ASSERT_EQ(all.entries.size(), 2u);
  EXPECT_TRUE(all.entries[0].bytes == big);
  EXPECT_EQ(all.entries[1].bytes, "hello");

  std::string raw = FixedEntry("r", big) + FixedEntry("s", "tail");
  PiecewiseSource rawSource(raw, 7);
  ReadAll rawAll = ReadContainer(rawSource);
  ASSERT_EQ(rawAll.entries.size(), 2u);
  EXPECT_TRUE(rawAll.entries[0].bytes == big);
  EXPECT_EQ(rawAll.entries[1].bytes, "tail");
}

TEST(SetupDataReaderTest, ShortOptionsRecordLeavesTheRestZero) {
  // optionsLength 1: only the compressed byte is there, so names are 256 bytes.
  ReadAll one = ReadBytes(Header(true, 2, 1) + FixedEntry("h", kHelloZlib));
  EXPECT_TRUE(one.options.compressed);
  EXPECT_EQ(one.options.nameFormat, 0u);
  ASSERT_EQ(one.entries.size(), 1u);
  EXPECT_EQ(one.entries[0].bytes, "hello");

  ReadAll none = ReadBytes(Header(true, 2, 0) + FixedEntry("r", "raw"));
  EXPECT_TRUE(none.hasHeader);
  EXPECT_FALSE(none.options.compressed);
  ASSERT_EQ(none.entries.size(), 1u);
  EXPECT_EQ(none.entries[0].bytes, "raw");
}

TEST(SetupDataReaderTest, OptionsBeyondTheKnownFiveBytesAreSkipped) {
  ReadAll all = ReadBytes(Header(true, 2, 9) + PrefixedEntry("h", kHelloZlib));
  EXPECT_TRUE(all.options.compressed);
  EXPECT_EQ(all.options.nameFormat, 2u);
  ASSERT_EQ(all.entries.size(), 1u);
  EXPECT_EQ(all.entries[0].name, "h");
  EXPECT_EQ(all.entries[0].bytes, "hello");

  // A record that claims more than the file holds leaves no entries.
  std::string huge = Header(false, 2) + PrefixedEntry("h", "x");
  huge.replace(4, 4, Le32(0xFFFFFFFFu));
  ReadAll past = ReadBytes(huge);
  EXPECT_EQ(past.header, SetupDataReader::HeaderStatus::kOk);
  EXPECT_EQ(past.entries.size(), 0u);
  EXPECT_EQ(past.end, Next::kEnd);
}

TEST(SetupDataReaderTest, ShortFilesAndShortHeaders) {
  ReadAll empty = ReadBytes("");
  EXPECT_EQ(empty.header, SetupDataReader::HeaderStatus::kOk);
  EXPECT_EQ(empty.end, Next::kEnd);

  // Fewer than four bytes hold no magic: they are the start of a name field.
  ReadAll three = ReadBytes("ILD");
  EXPECT_FALSE(three.hasHeader);
  EXPECT_EQ(three.end, Next::kTruncatedField);

  ReadAll magicOnly = ReadBytes("ILDS");
  EXPECT_TRUE(magicOnly.hasHeader);
  EXPECT_EQ(magicOnly.end, Next::kEnd);

  // Six bytes: the missing bytes of optionsLength are zero, so it reads as 5.
  ReadAll six = ReadBytes(std::string("ILDS\x05\x00", 6));
  EXPECT_TRUE(six.hasHeader);
  EXPECT_EQ(six.end, Next::kEnd);

  // Magic found but the record ends early: compressed byte read, nameFormat zero.
  ReadAll record = ReadBytes(std::string("ILDS\x05\x00\x00\x00\x01\x02", 10));
  EXPECT_TRUE(record.options.compressed);
  EXPECT_EQ(record.options.nameFormat, 2u);
  EXPECT_EQ(record.end, Next::kEnd);
}

TEST(SetupDataReaderTest, NameThatTrimsToEmptyEndsTheContainer) {
  std::string bytes = Header(false, 2) + PrefixedEntry("first", "1") + PrefixedEntry(" \t ", "ignored") +
                      PrefixedEntry("never", "2");
  ReadAll all = ReadBytes(bytes);
  ASSERT_EQ(all.entries.size(), 1u);
  EXPECT_EQ(all.entries[0].name, "first");
  EXPECT_EQ(all.end, Next::kEmptyName);

  // Zero filler after the last entry of a 256-byte-name container reads as an
  // empty name with size 0.
  ReadAll padded = ReadBytes(FixedEntry("a", "1") + std::string(260, '\0'));
  ASSERT_EQ(padded.entries.size(), 1u);
  EXPECT_EQ(padded.end, Next::kEmptyName);
}

TEST(SetupDataReaderTest, FileEndingInsideANameOrSizeFieldIsDamaged) {
  std::string good = Header(false, 1) + FixedEntry("a", "1");
  std::string next = FixedEntry("b", "2");
  for (size_t cut : {size_t{1}, size_t{100}, size_t{256}, size_t{259}}) {
    ReadAll all = ReadBytes(good + next.substr(0, cut));
    ASSERT_EQ(all.entries.size(), 1u) << "cut at " << cut;
    EXPECT_EQ(all.entries[0].bytes, "1");
    EXPECT_EQ(all.end, Next::kTruncatedField) << "cut at " << cut;
    EXPECT_EQ(all.last.offset, good.size()) << "cut at " << cut;
  }
  std::string prefixed = PrefixedEntry("name", "x");
  for (size_t cut : {size_t{1}, size_t{4}, size_t{5}, size_t{8}}) {
    ReadAll all = ReadBytes(Header(false, 2) + prefixed.substr(0, cut));
    EXPECT_EQ(all.end, Next::kTruncatedField) << "cut at " << cut;
    EXPECT_EQ(all.entries.size(), 0u);
  }
}

TEST(SetupDataReaderTest, TruncatedRawDataKeepsWhatWasThereAndEndsTheContainer) {
  std::string bytes = FixedName("cut.bin") + Le32(10) + "abcd";
  ReadAll all = ReadBytes(bytes);
  ASSERT_EQ(all.entries.size(), 1u);
  EXPECT_EQ(all.entries[0].status, Data::kTruncated);
  EXPECT_EQ(all.entries[0].bytes, "abcd");
  EXPECT_EQ(all.end, Next::kEnd);
}

TEST(SetupDataReaderTest, TruncatedCompressedDataLeavesTheSinkEmpty) {
  std::string stream = ZlibCompress(TestBytes(100000, 5, true));
  for (size_t keep : {size_t{0}, size_t{1}, stream.size() / 2, stream.size() - 1}) {
    ReadAll all = ReadBytes(Header(true, 2) + PrefixedName("cut") + Le32(static_cast<uint32_t>(stream.size())) +
                            stream.substr(0, keep));
    ASSERT_EQ(all.entries.size(), 1u) << "kept " << keep;
    EXPECT_EQ(all.entries[0].status, Data::kTruncated) << "kept " << keep;
    EXPECT_EQ(all.entries[0].bytes.size(), 0u) << "kept " << keep;
    EXPECT_EQ(all.end, Next::kEnd);
  }
  // A complete stream whose size field claims more than the file holds is
  // truncated as well: the entry's stored bytes are not all there.
  ReadAll longer = ReadBytes(Header(true, 2) + PrefixedName("h") + Le32(100) + kHelloZlib);
  ASSERT_EQ(longer.entries.size(), 1u);
  EXPECT_EQ(longer.entries[0].status, Data::kTruncated);
  EXPECT_EQ(longer.entries[0].bytes, "");
}

TEST(SetupDataReaderTest, CorruptZlibDataLeavesTheSinkEmptyAndReadingGoesOn) {
  std::string stream = ZlibCompress(TestBytes(300000, 9, true));
  std::string flipped = stream;
  flipped[flipped.size() / 2] ^= 0x55;
  std::string badAdler = stream;
  badAdler.back() ^= 0x01;
  std::string badHeader = stream;
  badHeader[0] = 0x79;
  std::string stopsEarly = stream.substr(0, stream.size() - 6);  // size field matches: no end mark
  for (const std::string* bad : {&flipped, &badAdler, &badHeader, &stopsEarly}) {
    ReadAll all = ReadBytes(Header(true, 2) + PrefixedEntry("bad", *bad) + PrefixedEntry("good", kHelloZlib));
    ASSERT_EQ(all.entries.size(), 2u);
    EXPECT_EQ(all.entries[0].status, Data::kInflateFailed);
    EXPECT_EQ(all.entries[0].bytes.size(), 0u);
    EXPECT_EQ(all.entries[1].status, Data::kComplete);
    EXPECT_EQ(all.entries[1].bytes, "hello");
  }
  // A raw deflate stream and a gzip stream are not zlib streams.
  ReadAll gzip = ReadBytes(Header(true, 2) + PrefixedEntry("gz", std::string("\x1f\x8b\x08\x00", 4)));
  ASSERT_EQ(gzip.entries.size(), 1u);
  EXPECT_EQ(gzip.entries[0].status, Data::kInflateFailed);
}

TEST(SetupDataReaderTest, StreamAskingForAPresetDictionaryFailsInsteadOfLooping) {
  // 78 BB: FDICT set (header check 0x78BB % 31 == 0), then a dictionary id.
  std::string needsDict("\x78\xbb\x00\x00\x00\x01\xcb\x48\xcd\xc9\xc9\x07\x00\x06\x2c\x02\x15", 17);
  ReadAll all = ReadBytes(Header(true, 2) + PrefixedEntry("dict", needsDict) + PrefixedEntry("next", kHelloZlib));
  ASSERT_EQ(all.entries.size(), 2u);
  EXPECT_EQ(all.entries[0].status, Data::kInflateFailed);
  EXPECT_EQ(all.entries[1].bytes, "hello");
}

TEST(SetupDataReaderTest, BytesAfterTheStreamEndBelongToTheEntry) {
  ReadAll all = ReadBytes(Header(true, 2) + PrefixedEntry("h", kHelloZlib + "trailing") +
                          PrefixedEntry("n", kHelloZlib));
  ASSERT_EQ(all.entries.size(), 2u);
  EXPECT_EQ(all.entries[0].status, Data::kComplete);
  EXPECT_EQ(all.entries[0].bytes, "hello");
  EXPECT_EQ(all.entries[1].name, "n");
}

TEST(SetupDataReaderTest, NamesLeavingTheDestinationAreDamage) {
  const char* names[] = {"..\\x", "C:\\x", "\\x", "a\\..\\..\\x", "a/../../x", "/etc/passwd", "..", "x:ads", "CON"};
  for (const char* name : names) {
    ReadAll all = ReadBytes(Header(false, 2) + PrefixedEntry("ok.txt", "1") + PrefixedEntry(name, "evil") +
                            PrefixedEntry("after.txt", "2"));
    ASSERT_EQ(all.entries.size(), 1u) << name;
    EXPECT_EQ(all.end, Next::kUnsafeName) << name;
    EXPECT_EQ(all.last.name, ToBackslashes(name));
    EXPECT_NE(all.last.problem, EntryNameProblem::kNone) << name;
  }
}

TEST(SetupDataReaderTest, SizeFieldsBeyondTheFileAreNeverAllocations) {
  // 0xFFFFFFFF is -1 as the signed size field: damage, nothing read.
  ReadAll negative = ReadBytes(Header(true, 2) + PrefixedName("neg") + Le32(0xFFFFFFFFu) + kHelloZlib);
  EXPECT_EQ(negative.entries.size(), 0u);
  EXPECT_EQ(negative.end, Next::kNegativeSize);
  EXPECT_EQ(negative.last.size, -1);

  // The largest positive size in a tiny file is truncated data.
  g_largestAllocation = 0;
  g_watchAllocations = true;
  ReadAll compressed = ReadBytes(Header(true, 2) + PrefixedName("big") + Le32(0x7FFFFFFFu) + kHelloZlib);
  ReadAll raw = ReadBytes(Header(false, 2) + PrefixedName("big") + Le32(0x7FFFFFFFu) + "abc");
  g_watchAllocations = false;
  ASSERT_EQ(compressed.entries.size(), 1u);
  EXPECT_EQ(compressed.entries[0].status, Data::kTruncated);
  EXPECT_EQ(compressed.entries[0].bytes, "");
  ASSERT_EQ(raw.entries.size(), 1u);
  EXPECT_EQ(raw.entries[0].status, Data::kTruncated);
  EXPECT_EQ(raw.entries[0].bytes, "abc");
  EXPECT_LE(g_largestAllocation.load(), size_t{1} << 20) << "largest allocation while reading";
}

// A sink that records how large the pieces handed to it are.
class PieceSink final : public EntrySink {
 public:
  bool Write(const void*, size_t size) override {
    total += size;
    largest = std::max(largest, size);
    ++pieces;
    return true;
  }
  bool Truncate() override {
    total = 0;
    return true;
  }
  bool Close() override { return true; }
  size_t total = 0, largest = 0, pieces = 0;
};

TEST(SetupDataReaderTest, DataReachesTheSinkInBoundedPieces) {
  std::string big = TestBytes(3 << 20, 11, true);
  std::string raw = Header(false, 2) + PrefixedEntry("raw", big);
  MemorySource rawSource(raw);
  SetupDataReader rawReader(rawSource);
  ASSERT_EQ(rawReader.ReadHeader(), SetupDataReader::HeaderStatus::kOk);
  DataFileEntryInfo entry;
  ASSERT_EQ(rawReader.Next(entry), Next::kEntry);
  PieceSink rawPieces;
  g_largestAllocation = 0;
  g_watchAllocations = true;
  EXPECT_EQ(rawReader.ReadData(&rawPieces), Data::kComplete);
  g_watchAllocations = false;
  EXPECT_EQ(rawPieces.total, big.size());
  EXPECT_LE(rawPieces.largest, size_t{65536});
  EXPECT_EQ(g_largestAllocation.load(), size_t{0}) << "raw data is copied through the one buffer";

  std::string zipped = Header(true, 2) + PrefixedEntry("z", ZlibCompress(big));
  MemorySource zSource(zipped);
  SetupDataReader zReader(zSource);
  ASSERT_EQ(zReader.ReadHeader(), SetupDataReader::HeaderStatus::kOk);
  ASSERT_EQ(zReader.Next(entry), Next::kEntry);
  PieceSink zPieces;
  g_largestAllocation = 0;
  g_watchAllocations = true;
  EXPECT_EQ(zReader.ReadData(&zPieces), Data::kComplete);
  g_watchAllocations = false;
  EXPECT_EQ(zPieces.total, big.size());
  EXPECT_LE(zPieces.largest, size_t{1} << 18);
  EXPECT_GT(zPieces.pieces, 8u);
  EXPECT_LE(g_largestAllocation.load(), size_t{1} << 18) << "largest allocation while inflating";
}

TEST(SetupDataReaderTest, UnreadDataIsSkippedByNext) {
  std::string bytes = Header(true, 2) + PrefixedEntry("one", ZlibCompress(TestBytes(100000, 1))) +
                      PrefixedEntry("two", kHelloZlib) + PrefixedEntry("three", ZlibCompress("3"));
  MemorySource source(bytes);
  SetupDataReader reader(source);
  ASSERT_EQ(reader.ReadHeader(), SetupDataReader::HeaderStatus::kOk);
  DataFileEntryInfo entry;
  ASSERT_EQ(reader.Next(entry), Next::kEntry);
  EXPECT_EQ(entry.name, "one");
  EXPECT_EQ(entry.offset, 13u);
  ASSERT_EQ(reader.Next(entry), Next::kEntry);  // data of "one" never read
  EXPECT_EQ(entry.name, "two");
  EXPECT_EQ(reader.ReadData(nullptr), Data::kComplete);
  ASSERT_EQ(reader.Next(entry), Next::kEntry);
  EXPECT_EQ(entry.name, "three");
  StringSink sink;
  EXPECT_EQ(reader.ReadData(&sink), Data::kComplete);
  EXPECT_EQ(sink.bytes(), "3");
  EXPECT_EQ(reader.ReadData(&sink), Data::kComplete) << "a second call does nothing";
  EXPECT_EQ(sink.bytes(), "3");
  EXPECT_EQ(reader.Next(entry), Next::kEnd);
  EXPECT_EQ(reader.Next(entry), Next::kEnd) << "the final status repeats";
  EXPECT_EQ(reader.position(), bytes.size());
}

TEST(SetupDataReaderTest, ReadErrorsAreReportedWhereTheyHappen) {
  std::string bytes = Header(false, 2) + PrefixedEntry("a", std::string(100000, 'a')) + PrefixedEntry("b", "b");
  {
    PiecewiseSource source(bytes, 1 << 16, 0);
    SetupDataReader reader(source);
    EXPECT_EQ(reader.ReadHeader(), SetupDataReader::HeaderStatus::kReadError);
  }
  {
    PiecewiseSource source(bytes, 15, 15);  // header fine, fails in the first name
    SetupDataReader reader(source);
    ASSERT_EQ(reader.ReadHeader(), SetupDataReader::HeaderStatus::kOk);
    DataFileEntryInfo entry;
    EXPECT_EQ(reader.Next(entry), Next::kReadError);
  }
  {
    PiecewiseSource source(bytes, 1 << 16, 50000);  // fails inside the data of "a"
    SetupDataReader reader(source);
    ASSERT_EQ(reader.ReadHeader(), SetupDataReader::HeaderStatus::kOk);
    DataFileEntryInfo entry;
    ASSERT_EQ(reader.Next(entry), Next::kEntry);
    StringSink sink;
    EXPECT_EQ(reader.ReadData(&sink), Data::kReadError);
  }
}

}  // namespace
}  // namespace engine
