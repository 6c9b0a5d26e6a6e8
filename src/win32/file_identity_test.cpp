#include "win32/file_identity.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/test_files.h"
#include "win32/scoped_handle.h"

namespace win32 {
namespace {

using namespace test_files;

std::string Describe(const std::optional<FileIdentity>& id) {
  if (!id) return "none";
  return "volume " + std::to_string(id->volume_serial) + " index " + std::to_string(id->file_index);
}

// A folder of the test's own with a long name (so that it has a short name
// of its own) holding one program file.
class FileIdentityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_GT(::GetTempPathA(MAX_PATH, temp), 0u);
    root_ = std::string(temp) + "tarno identity folder " + std::to_string(::GetCurrentProcessId()) + "\\";
    RemoveTree(root_);
    MakeDirectory(root_);
    MakeDirectory(root_ + "other place");
    PutFile(Program(), "program");
  }
  void TearDown() override { RemoveTree(root_); }
  std::string Program() const { return root_ + "Mail Server Program.exe"; }

  std::string root_;
};

// Every spelling of the same file answers the same identity: another case, a
// short name, "." and ".." segments, forward slashes, a hard link.
TEST_F(FileIdentityTest, EverySpellingOfTheFileIsTheSameFile) {
  const std::optional<FileIdentity> id = IdentityOf(Program());
  ASSERT_TRUE(id.has_value()) << Program() << " error " << ::GetLastError();

  std::string upper = Program();
  ::CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
  char short_name[MAX_PATH];
  const DWORD n = ::GetShortPathNameA(Program().c_str(), short_name, MAX_PATH);
  ASSERT_TRUE(n > 0 && n < MAX_PATH) << "GetShortPathNameA error " << ::GetLastError();
  ASSERT_NE(std::string(short_name, n), Program()) << "no short name to try";
  std::string slashes = Program();
  for (char& c : slashes)
    if (c == '\\') c = '/';
  const std::string hard_link = root_ + "other place\\linked.exe";
  ASSERT_TRUE(::CreateHardLinkA(hard_link.c_str(), Program().c_str(), nullptr)) << ::GetLastError();

  const std::string dotted = root_ + "other place\\..\\.\\Mail Server Program.exe";
  for (const std::string& spelling : {upper, std::string(short_name, n), dotted, slashes, hard_link})
    EXPECT_EQ(IdentityOf(spelling), id) << spelling << ": " << Describe(IdentityOf(spelling)) << ", expected "
                                        << Describe(id);
}

// A copy, another file of the same name and the folder are other files; a
// missing file has none.
TEST_F(FileIdentityTest, OtherFilesDifferAndAMissingOneHasNone) {
  const std::optional<FileIdentity> id = IdentityOf(Program());
  ASSERT_TRUE(id.has_value());
  const std::string copy = root_ + "other place\\Mail Server Program.exe";
  ASSERT_TRUE(::CopyFileA(Program().c_str(), copy.c_str(), TRUE)) << ::GetLastError();
  const std::optional<FileIdentity> folder = IdentityOf(root_);
  ASSERT_TRUE(folder.has_value()) << "a folder has an identity too";
  for (const std::optional<FileIdentity>& other : {IdentityOf(copy), folder}) {
    ASSERT_TRUE(other.has_value());
    EXPECT_NE(other, id) << Describe(other);
  }
  EXPECT_FALSE(IdentityOf(root_ + "missing.exe").has_value());
  EXPECT_FALSE(IdentityOf(root_ + "missing folder\\x.exe").has_value());
}

// A program that is running (its file held open without write sharing) is
// asked all the same.
TEST_F(FileIdentityTest, AFileHeldOpenIsAskedAllTheSame) {
  ScopedHandle held(::CreateFileA(Program().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
  ASSERT_TRUE(held);
  EXPECT_TRUE(IdentityOf(Program()).has_value()) << ::GetLastError();
}

}  // namespace
}  // namespace win32
