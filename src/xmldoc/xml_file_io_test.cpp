#include "xmldoc/xml_file_io.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_temp_file.h"

namespace xmldoc {
namespace {

std::string AllBytes() {
  std::string all;
  for (int round = 0; round < 3; ++round) {
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  }
  return all + "\r\n\n\r\x1A" + "end";  // line ends and ^Z must pass unchanged
}

TEST(XMLFileIOTest, ReadsEveryByteUnchanged) {
  TestTempFile file("read_bytes");
  file.Write(AllBytes());
  const std::optional<std::string> content = ReadXMLFile(file.Name());
  ASSERT_TRUE(content.has_value());
  EXPECT_EQ(*content, AllBytes());
}

TEST(XMLFileIOTest, ReadsFilesLargerThanOneChunk) {
  TestTempFile file("read_large");
  std::string large;
  for (int i = 0; i < 300000; ++i) large.push_back(static_cast<char>('a' + i % 26));
  file.Write(large);
  const std::optional<std::string> content = ReadXMLFile(file.Name());
  ASSERT_TRUE(content.has_value());
  EXPECT_EQ(content->size(), large.size());
  EXPECT_EQ(*content, large);
}

TEST(XMLFileIOTest, EmptyFileReadsAsEmptyTextMissingFileAsNothing) {
  TestTempFile file("read_empty");
  EXPECT_FALSE(ReadXMLFile(file.Name()).has_value());
  file.Write("");
  const std::optional<std::string> content = ReadXMLFile(file.Name());
  ASSERT_TRUE(content.has_value());
  EXPECT_EQ(*content, "");
}

// A directory can be opened for reading on Linux, and then the read fails;
// the Windows runtime refuses to open it.
TEST(XMLFileIOTest, ReadingADirectory) {
  TestTempFile dir("read_dir");
  ASSERT_TRUE(std::filesystem::create_directory(dir.Path()));
#ifdef _WIN32
  EXPECT_FALSE(ReadXMLFile(dir.Name()).has_value());
#else
  try {
    ReadXMLFile(dir.Name());
    FAIL() << "reading a directory did not throw";
  } catch (const XMLFileError& error) {
    EXPECT_NE(std::string(error.what()).find(dir.Name()), std::string::npos) << error.what();
  }
#endif
}

TEST(XMLFileIOTest, WriteReplacesTheWholeFileByteForByte) {
  TestTempFile file("write_bytes");
  file.Write(std::string(10000, 'x'));
  ASSERT_TRUE(WriteXMLFile(file.Name(), AllBytes()));
  EXPECT_EQ(file.Read(), AllBytes());
  ASSERT_TRUE(WriteXMLFile(file.Name(), "short\r\n"));
  EXPECT_EQ(file.Read(), "short\r\n");
  ASSERT_TRUE(WriteXMLFile(file.Name(), ""));
  EXPECT_EQ(std::filesystem::file_size(file.Path()), 0u);
}

TEST(XMLFileIOTest, WriteIntoAMissingDirectoryAnswersFalse) {
  TestTempFile dir("write_missing_dir");
  EXPECT_FALSE(WriteXMLFile((dir.Path() / "doc.xml").string(), "<A/>"));
  EXPECT_FALSE(std::filesystem::exists(dir.Path()));
}

}  // namespace
}  // namespace xmldoc
