// The container list of the running program: this test program carries one
// (built_containers_test.list: "abc" as setup.Dat, an empty setupweb.dat),
// as the build writes one into setup.exe. A container passes when the list
// names its file name with its SHA-256; a program without a list lets every
// container pass.
#include "engine/built_containers.h"

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace engine {
namespace {

using win32::test_files::PutFile;

class BuiltContainersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_GT(::GetTempPathA(MAX_PATH, temp), 0u);
    dist_ = std::string(temp) + "tarno built containers " + std::to_string(::GetCurrentProcessId()) + "\\";
    win32::test_files::RemoveTree(dist_);
    ASSERT_TRUE(::CreateDirectoryA(dist_.c_str(), nullptr)) << dist_ << " error " << ::GetLastError();
  }
  void TearDown() override { win32::test_files::RemoveTree(dist_); }
  std::string dist_;
};

TEST_F(BuiltContainersTest, TheProgramsListReadsBack) {
  std::optional<std::vector<ContainerHash>> list = BuiltContainerList();
  ASSERT_TRUE(list.has_value()) << "the test program carries no list";
  ASSERT_EQ(list->size(), 2u);
  EXPECT_EQ((*list)[0].name, "setup.Dat");
  EXPECT_EQ((*list)[0].digest, Sha256Of("abc"));
  EXPECT_EQ((*list)[1].name, "setupweb.dat");
  EXPECT_EQ((*list)[1].digest, Sha256Of(""));
}

TEST_F(BuiltContainersTest, ContainersPassOnlyWithTheirBuiltDigest) {
  ASSERT_NO_FATAL_FAILURE(PutFile(dist_ + "setup.Dat", "abc"));
  ASSERT_NO_FATAL_FAILURE(PutFile(dist_ + "setupweb.dat", ""));
  EXPECT_TRUE(ContainerOfThisBuild(dist_ + "setup.Dat"));
  EXPECT_TRUE(ContainerOfThisBuild(dist_ + "setupweb.dat"));
  ASSERT_NO_FATAL_FAILURE(PutFile(dist_ + "SETUPWEB.DAT", ""));
  EXPECT_TRUE(ContainerOfThisBuild(dist_ + "SETUPWEB.DAT")) << "file names in any case";

  ASSERT_NO_FATAL_FAILURE(PutFile(dist_ + "setup.Dat", "abd"));
  EXPECT_FALSE(ContainerOfThisBuild(dist_ + "setup.Dat")) << "one byte differs";
  ASSERT_NO_FATAL_FAILURE(PutFile(dist_ + "setup.Dat", "abcd"));
  EXPECT_FALSE(ContainerOfThisBuild(dist_ + "setup.Dat")) << "one byte more";
  ASSERT_NO_FATAL_FAILURE(PutFile(dist_ + "other.dat", "abc"));
  EXPECT_FALSE(ContainerOfThisBuild(dist_ + "other.dat")) << "a container the list does not name";
  EXPECT_FALSE(ContainerOfThisBuild(dist_ + "setupav.dat")) << "missing and not named";
  ASSERT_TRUE(::DeleteFileA((dist_ + "setupweb.dat").c_str()));
  EXPECT_FALSE(ContainerOfThisBuild(dist_ + "setupweb.dat")) << "named but missing";
}

// kernel32.dll carries no container list: every container passes, as with a
// setup.exe linked without the packing step.
TEST_F(BuiltContainersTest, AProgramWithoutAListLetsEveryContainerPass) {
  HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
  ASSERT_NE(kernel32, nullptr);
  EXPECT_FALSE(BuiltContainerList(kernel32).has_value());
  ASSERT_NO_FATAL_FAILURE(PutFile(dist_ + "setup.Dat", "anything"));
  EXPECT_TRUE(ContainerOfThisBuild(dist_ + "setup.Dat", kernel32));
  EXPECT_TRUE(ContainerOfThisBuild(dist_ + "other.dat", kernel32));
}

TEST_F(BuiltContainersTest, Sha256OfFileReadsTheWholeFile) {
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(i * 7 % 251);
  ASSERT_NO_FATAL_FAILURE(PutFile(dist_ + "big.dat", bytes));
  const std::optional<Sha256Digest> digest = Sha256OfFile(dist_ + "big.dat");
  ASSERT_TRUE(digest.has_value());
  EXPECT_EQ(HexDigest(*digest), HexDigest(Sha256Of(bytes)));
  EXPECT_FALSE(Sha256OfFile(dist_ + "missing.dat").has_value());
}

}  // namespace
}  // namespace engine
