#include "engine/setup_data_writer.h"

#include <gtest/gtest.h>

#include "engine/setup_data_reader.h"
#include "support/setup_data_test_support.h"

namespace engine {
namespace {

using namespace engine::testing;
using Add = SetupDataWriter::AddStatus;

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string Write(const WriterOptions& options, const std::vector<std::pair<std::string, std::string>>& entries) {
  StringOutput out;
  SetupDataWriter writer(out, options);
  EXPECT_TRUE(writer.Begin()) << writer.error();
  for (const auto& [name, data] : entries) {
    EXPECT_EQ(writer.Add(name, data), Add::kOk) << name << ": " << writer.error();
  }
  return out.bytes();
}

TEST(SetupDataWriterTest, RawPrefixedContainerIsExactlyTheLayout) {
  WriterOptions options;
  options.compressed = false;
  options.nameFormat = kNameFormatPrefixed;
  std::string bytes = Write(options, {{"a.txt", "xyz"}, {"d\\e", ""}});
  std::string expected = std::string("ILDS\x05\x00\x00\x00", 8) + std::string("\x00\x02\x00\x00\x00", 5) +
                         std::string("\x05" "a.txt" "\x03\x00\x00\x00" "xyz", 13) +
                         std::string("\x03" "d\\e" "\x00\x00\x00\x00", 8);
  EXPECT_EQ(Hex(bytes), Hex(expected));
}

TEST(SetupDataWriterTest, FixedNamesAreLengthByteNameAndZeroFiller) {
  WriterOptions options;
  options.compressed = false;
  options.nameFormat = kNameFormatFixed;
  std::string bytes = Write(options, {{"ab", "Q"}});
  ASSERT_EQ(bytes.size(), 13u + 256 + 4 + 1);
  EXPECT_EQ(Hex(bytes.substr(0, 13)), Hex(std::string("ILDS\x05\x00\x00\x00\x00\x01\x00\x00\x00", 13)));
  EXPECT_EQ(bytes[13], '\x02');
  EXPECT_EQ(bytes.substr(14, 2), "ab");
  EXPECT_EQ(bytes.substr(16, 253), std::string(253, '\0'));
  EXPECT_EQ(Hex(bytes.substr(269)), Hex(std::string("\x01\x00\x00\x00Q", 5)));

  options.header = false;
  std::string bare = Write(options, {{"ab", "Q"}});
  EXPECT_EQ(Hex(bare), Hex(bytes.substr(13)));
}

TEST(SetupDataWriterTest, CompressedEntriesAreZlibLevelSixStreams) {
  WriterOptions options;  // header, zlib 6, prefixed names
  std::string bytes = Write(options, {{"hello.txt", "hello"}});
  std::string expected = std::string("ILDS\x05\x00\x00\x00\x01\x02\x00\x00\x00", 13) + "\x09hello.txt" +
                         Le32(static_cast<uint32_t>(kHelloZlib.size())) + kHelloZlib;
  EXPECT_EQ(Hex(bytes), Hex(expected));

  // Larger data: the same bytes zlib's one-shot compression gives.
  std::string data = TestBytes(500000, 21, true) + TestBytes(200000, 22);
  std::string big = Write(options, {{"big", data}});
  std::string stream = ZlibCompress(data, 6);
  EXPECT_TRUE(big == std::string(bytes.substr(0, 13)) + "\x03" "big" + Le32(static_cast<uint32_t>(stream.size())) +
                         stream)
      << "stream of " << stream.size() << " bytes, container of " << big.size();
}

TEST(SetupDataWriterTest, SameInputGivesTheSameBytes) {
  for (bool compressed : {false, true}) {
    WriterOptions options;
    options.compressed = compressed;
    std::vector<std::pair<std::string, std::string>> entries = {
        {"a\\b.txt", TestBytes(100000, 1, true)}, {"c.bin", TestBytes(70000, 2)}, {"empty", ""}};
    EXPECT_TRUE(Write(options, entries) == Write(options, entries)) << "compressed " << compressed;
  }
}

TEST(SetupDataWriterTest, RefusesOptionsAContainerCannotExpress) {
  struct Case {
    bool header, compressed;
    int level;
    uint32_t nameFormat;
    bool ok;
  };
  const Case cases[] = {
      {true, true, 6, 2, true},   {true, false, 6, 1, true},  {false, false, 6, 1, true},
      {false, true, 6, 1, false}, {false, false, 6, 2, false}, {true, true, -1, 2, false},
      {true, true, 10, 2, false}, {true, true, 0, 2, true},    {true, true, 9, 1, true},
  };
  for (const Case& c : cases) {
    WriterOptions options{c.header, c.compressed, c.level, c.nameFormat};
    StringOutput out;
    SetupDataWriter writer(out, options);
    EXPECT_EQ(writer.Begin(), c.ok) << "header " << c.header << " compressed " << c.compressed << " level "
                                    << c.level << " nameFormat " << c.nameFormat << ": " << writer.error();
    EXPECT_EQ(SetupDataWriter::CheckOptions(options).empty(), c.ok);
  }
}

TEST(SetupDataWriterTest, RefusesNamesAReaderWouldNotExtract) {
  StringOutput out;
  SetupDataWriter writer(out, WriterOptions());
  ASSERT_TRUE(writer.Begin());
  for (const std::string& name : {std::string(), std::string("  "), std::string(256, 'x'), std::string("..\\x"),
                                  std::string("C:\\x"), std::string("\\x"), std::string("a\\..\\..\\x")}) {
    EXPECT_EQ(writer.Add(name, "data"), Add::kBadName) << "\"" << name << "\"";
    EXPECT_FALSE(writer.error().empty());
  }
  EXPECT_EQ(out.bytes().size(), 13u) << "nothing written for refused names";
  EXPECT_EQ(writer.Add(std::string(255, 'x'), "data"), Add::kOk);
}

// A source that fails after handing out some bytes.
class FailingSource final : public ByteSource {
 public:
  bool Read(void* data, size_t size, size_t& got) override {
    if (given_ >= 10) return false;
    got = std::min<size_t>(size, 10);
    std::fill_n(static_cast<char*>(data), got, 'x');
    given_ += got;
    return true;
  }

 private:
  size_t given_ = 0;
};

TEST(SetupDataWriterTest, ReportsReadErrorsOfTheEntryData) {
  for (bool compressed : {false, true}) {
    StringOutput out;
    WriterOptions options;
    options.compressed = compressed;
    SetupDataWriter writer(out, options);
    ASSERT_TRUE(writer.Begin());
    FailingSource source;
    EXPECT_EQ(writer.Add("f", source), Add::kReadError) << "compressed " << compressed;
  }
}

// Writes with every option set and reads back with the reader.
TEST(SetupDataWriterTest, RoundTripsThroughTheReader) {
  std::vector<std::pair<std::string, std::string>> entries = {
      {"readme.txt", "Tarno Mail Server\r\n"},
      {"bin/server.exe", TestBytes(300000, 31)},
      {"webmail\\skins\\default\\style.css", TestBytes(150000, 32, true)},
      {"empty.dat", ""},
      {std::string(255, 'L'), "long name"},
      {"big.txt", TestBytes(2 << 20, 33, true)},
  };
  struct Variant {
    bool header, compressed;
    int level;
    uint32_t nameFormat;
  };
  for (Variant v : {Variant{true, true, 6, 2}, Variant{true, true, 1, 1}, Variant{true, true, 9, 5},
                    Variant{true, false, 6, 2}, Variant{true, false, 6, 1}, Variant{false, false, 6, 1},
                    Variant{true, true, 0, 2}}) {
    WriterOptions options{v.header, v.compressed, v.level, v.nameFormat};
    std::string bytes = Write(options, entries);
    MemorySource source(bytes);
    SetupDataReader reader(source);
    ASSERT_EQ(reader.ReadHeader(), SetupDataReader::HeaderStatus::kOk);
    EXPECT_EQ(reader.hasHeader(), v.header);
    EXPECT_EQ(reader.options().compressed, v.compressed);
    DataFileEntryInfo entry;
    for (const auto& [name, data] : entries) {
      ASSERT_EQ(reader.Next(entry), SetupDataReader::NextStatus::kEntry) << name;
      EXPECT_EQ(entry.name, ToBackslashes(name));
      StringSink sink;
      EXPECT_EQ(reader.ReadData(&sink), SetupDataReader::DataStatus::kComplete) << name;
      EXPECT_TRUE(sink.bytes() == data) << name << ": " << sink.bytes().size() << " bytes, expected "
                                        << data.size() << " (compressed " << v.compressed << " level "
                                        << v.level << " nameFormat " << v.nameFormat << ")";
    }
    EXPECT_EQ(reader.Next(entry), SetupDataReader::NextStatus::kEnd);
  }
}

}  // namespace
}  // namespace engine
