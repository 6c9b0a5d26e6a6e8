#include "engine/setup_data_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "support/setup_data_test_support.h"

namespace engine {
namespace {

namespace fs = std::filesystem;
using namespace engine::testing;

// Each test works in a directory of its own below the temporary directory.
class SetupDataFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("tarno-setupdata-files-") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_ / "dest" / "ro.txt", fs::perms::owner_write, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

TEST_F(SetupDataFilesTest, FileSourceReadsFromTheStartOffsetAndSkipsWithinTheFile) {
  WriteWhole(dir_ / "c.dat", "0123456789");
  std::string error;
  auto source = FileSource::Open(Path("c.dat"), 3, error);
  ASSERT_TRUE(source) << error;
  EXPECT_EQ(source->size(), 10u);
  char buf[4];
  size_t got = 0;
  ASSERT_TRUE(source->Read(buf, 2, got));
  EXPECT_EQ(std::string(buf, got), "34");
  uint64_t skipped = 0;
  ASSERT_TRUE(source->Skip(3, skipped));
  EXPECT_EQ(skipped, 3u);
  ASSERT_TRUE(source->Read(buf, 4, got));
  EXPECT_EQ(std::string(buf, got), "89");
  ASSERT_TRUE(source->Skip(100, skipped));
  EXPECT_EQ(skipped, 0u);
  ASSERT_TRUE(source->Read(buf, 4, got));
  EXPECT_EQ(got, 0u);

  auto beyond = FileSource::Open(Path("c.dat"), 50, error);
  ASSERT_TRUE(beyond);
  ASSERT_TRUE(beyond->Read(buf, 4, got));
  EXPECT_EQ(got, 0u);

  EXPECT_FALSE(FileSource::Open(Path("missing.dat"), 0, error));
  EXPECT_NE(error.find("missing.dat"), std::string::npos) << error;
}

TEST_F(SetupDataFilesTest, FileOutputWritesAndPatches) {
  std::string error;
  auto out = FileOutput::Create(Path("o.dat"), error);
  ASSERT_TRUE(out) << error;
  EXPECT_TRUE(out->Write("abcdef", 6));
  EXPECT_TRUE(out->WriteAt(2, "XY", 2));
  EXPECT_FALSE(out->WriteAt(5, "XY", 2)) << "only bytes already written can be patched";
  EXPECT_TRUE(out->Write("g", 1));
  EXPECT_EQ(out->position(), 7u);
  EXPECT_TRUE(out->Close());
  EXPECT_EQ(ReadWhole(dir_ / "o.dat"), "abXYefg");
}

TEST_F(SetupDataFilesTest, FolderTargetCreatesDirectoriesAndTruncates) {
  fs::create_directories(dir_ / "dest");
  FolderTarget target(Path("dest"));
  EXPECT_FALSE(target.FileExists("a\\b\\c.txt"));
  auto sink = target.CreateTarget("a\\b\\c.txt");
  ASSERT_TRUE(sink) << target.lastError();
  EXPECT_TRUE(sink->Write("hello", 5));
  EXPECT_TRUE(sink->Truncate());
  EXPECT_TRUE(sink->Write("bye", 3));
  EXPECT_TRUE(sink->Close());
  EXPECT_EQ(ReadWhole(dir_ / "dest" / "a" / "b" / "c.txt"), "bye");
  EXPECT_TRUE(target.FileExists("a\\b\\c.txt"));
  EXPECT_FALSE(target.FileExists("a\\b")) << "a directory is not a file";

  // A file where a directory should be: the target cannot be created.
  WriteWhole(dir_ / "dest" / "plain", "x");
  EXPECT_FALSE(target.CreateTarget("plain\\inner.txt"));
  EXPECT_FALSE(target.lastError().empty());
}

TEST_F(SetupDataFilesTest, ExtractsAContainerFileIntoAFolder) {
  std::string bytes = Header(true, 2) + PrefixedEntry("a/b/c.txt", kHelloZlib) + PrefixedEntry("d.txt", "") +
                      PrefixedEntry("e.bin", ZlibCompress(TestBytes(300000, 2)));
  WriteWhole(dir_ / "c.dat", bytes);
  std::string error;
  auto source = FileSource::Open(Path("c.dat"), 0, error);
  ASSERT_TRUE(source) << error;
  fs::create_directories(dir_ / "dest");
  FolderTarget target(Path("dest"));
  ExtractReport report = ExtractEntries(*source, target, ExtractRules());
  EXPECT_TRUE(report.result) << ExtractStopText(report.stop);
  EXPECT_EQ(report.written, 3u);
  EXPECT_EQ(ReadWhole(dir_ / "dest" / "a" / "b" / "c.txt"), "hello");
  EXPECT_TRUE(fs::exists(dir_ / "dest" / "d.txt"));
  EXPECT_EQ(fs::file_size(dir_ / "dest" / "d.txt"), 0u);
  EXPECT_TRUE(ReadWhole(dir_ / "dest" / "e.bin") == TestBytes(300000, 2));
}

#ifndef _WIN32
TEST_F(SetupDataFilesTest, SymbolicLinksInTheDestinationAreNotFollowed) {
  fs::create_directories(dir_ / "dest");
  fs::create_directories(dir_ / "outside");
  fs::create_directory_symlink(dir_ / "outside", dir_ / "dest" / "link");
  WriteWhole(dir_ / "outside" / "victim.txt", "untouched");
  fs::create_symlink(dir_ / "outside" / "victim.txt", dir_ / "dest" / "file-link.txt");
  FolderTarget target(Path("dest"));
  EXPECT_FALSE(target.CreateTarget("link\\victim.txt"));
  EXPECT_NE(target.lastError().find("symbolic link"), std::string::npos) << target.lastError();
  EXPECT_FALSE(target.CreateTarget("file-link.txt"));
  EXPECT_EQ(ReadWhole(dir_ / "outside" / "victim.txt"), "untouched");
  EXPECT_FALSE(fs::exists(dir_ / "outside" / "link"));
}

TEST_F(SetupDataFilesTest, ReadOnlyTargetCannotBeCreated) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes read-only files; the Wine test covers this case";
  fs::create_directories(dir_ / "dest");
  WriteWhole(dir_ / "dest" / "ro.txt", "old");
  fs::permissions(dir_ / "dest" / "ro.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  FolderTarget target(Path("dest"));
  EXPECT_FALSE(target.CreateTarget("ro.txt"));
  EXPECT_EQ(ReadWhole(dir_ / "dest" / "ro.txt"), "old");
}
#endif

}  // namespace
}  // namespace engine
