#include "engine/extract_data_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/setup_data_writer.h"
#include "support/setup_data_test_support.h"
#include "support/test_files.h"
#include "win32/scoped_handle.h"

namespace engine {
namespace {

using namespace win32::test_files;

using namespace engine::testing;

// Names of the directory, one per line, "name/" for directories, recursively, sorted.
void ListTree(const std::string& base, const std::string& prefix, std::vector<std::string>& out) {
  WIN32_FIND_DATAA data;
  win32::ScopedFindHandle find(::FindFirstFileA((base + "*").c_str(), &data));
  if (!find) return;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out.push_back(prefix + name + "\\");
      ListTree(base + name + "\\", prefix + name + "\\", out);
    } else {
      out.push_back(prefix + name);
    }
  } while (::FindNextFileA(find.get(), &data));
}

std::vector<std::string> Tree(const std::string& base) {
  std::vector<std::string> out;
  ListTree(base, "", out);
  std::sort(out.begin(), out.end());
  return out;
}

const char kLdapKeepList[] =
    ";slapd.conf;schema\\corba.schema;schema\\core.schema;schema\\cosine.schema;schema\\inetorgperson.schema;"
    "schema\\java.schema;schema\\krb5-kdc.schema;schema\\misc.schema;schema\\nadf.schema;schema\\nis.schema;"
    "schema\\openldap.schema;ldbm\\dn2id.dbb;ldbm\\id2entry.dbb;ldbm\\nextid.dbb;ldbm\\objectClass.dbb;";

// Each test works in a fresh folder of its own under the temporary
// directory: the container beside a destination "dest\", removed at the end.
class ExtractDataFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_GT(::GetTempPathA(MAX_PATH, temp), 0u);
    root_ = std::string(temp) + "tarno extract test " + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(counter_++) + "\\";
    RemoveTree(root_);
    MakeDirectory(root_);
    container_ = root_ + "setup.Dat";
    dest_ = root_ + "dest\\";
  }
  void TearDown() override {
    RemoveTree(root_);
    EXPECT_FALSE(Exists(root_)) << "test folder left behind: " << root_;
  }

  bool Extract(const std::string& bytes, bool overwriteAll = true, const std::string& keepList = "",
               const std::string& includeList = "") {
    PutFile(container_, bytes);
    return ExtractDataFile(container_, dest_, overwriteAll, keepList, 0, includeList, &report_);
  }

  std::string root_, container_, dest_;
  ExtractReport report_;
  static inline int counter_ = 0;
};

TEST_F(ExtractDataFileTest, EmptyPathsMissingContainerAndUncreatableDestinationAnswerFalse) {
  PutFile(container_, FixedEntry("a", "1"));
  EXPECT_FALSE(ExtractDataFile("", dest_, true, "", 0, ""));
  EXPECT_FALSE(ExtractDataFile(container_, "", true, "", 0, ""));
  EXPECT_FALSE(Exists(dest_));

  EXPECT_FALSE(ExtractDataFile(root_ + "missing.dat", dest_, true, "", 0, ""));
  EXPECT_TRUE(IsDir(dest_)) << "the destination is made before the container is opened";

  PutFile(root_ + "plain.txt", "a file");
  EXPECT_FALSE(ExtractDataFile(container_, root_ + "plain.txt\\sub", true, "", 0, ""));
  EXPECT_EQ(GetFile(root_ + "plain.txt"), "a file");
}

TEST_F(ExtractDataFileTest, ContainerWithoutHeaderAndForwardSlashesCreatesTheTree) {
  ASSERT_TRUE(Extract(FixedEntry("a/b/c.txt", "c") + FixedEntry("readme.txt", "read me") +
                      FixedEntry("a\\d.txt", "")));
  EXPECT_EQ(report_.written, 3u);
  EXPECT_EQ(Tree(dest_), (std::vector<std::string>{"a\\", "a\\b\\", "a\\b\\c.txt", "a\\d.txt", "readme.txt"}));
  EXPECT_EQ(GetFile(dest_ + "a\\b\\c.txt"), "c");
  EXPECT_EQ(GetFile(dest_ + "readme.txt"), "read me");
  EXPECT_EQ(GetFile(dest_ + "a\\d.txt"), "");
}

TEST_F(ExtractDataFileTest, DestinationWithoutTrailingBackslashIsCreated) {
  PutFile(container_, Header(false, 2) + PrefixedEntry("x.txt", "x"));
  ASSERT_TRUE(ExtractDataFile(container_, root_ + "new\\deep\\dir", true, "", 0, ""));
  EXPECT_EQ(GetFile(root_ + "new\\deep\\dir\\x.txt"), "x");
}

TEST_F(ExtractDataFileTest, NameFormatsOneAndTwoCompressedAndRaw) {
  std::string big = TestBytes(3 << 20, 5, true) + TestBytes(1 << 20, 6);
  ASSERT_TRUE(Extract(Header(true, 1) + FixedEntry("hello.txt", kHelloZlib) + FixedEntry("big.bin", ZlibCompress(big)) +
                      FixedEntry("empty.txt", "")));
  EXPECT_EQ(GetFile(dest_ + "hello.txt"), "hello");
  EXPECT_TRUE(GetFile(dest_ + "big.bin") == big);
  EXPECT_TRUE(Exists(dest_ + "empty.txt"));
  EXPECT_EQ(GetFile(dest_ + "empty.txt"), "");

  RemoveTree(dest_);
  ASSERT_TRUE(Extract(Header(false, 2) + PrefixedEntry("raw\\big.bin", big) + PrefixedEntry("raw\\empty", "")));
  EXPECT_TRUE(GetFile(dest_ + "raw\\big.bin") == big);
  EXPECT_EQ(GetFile(dest_ + "raw\\empty"), "");
  EXPECT_EQ(report_.bytesWritten, big.size());
}

TEST_F(ExtractDataFileTest, ContainersFromTheWriterRoundTrip) {
  std::vector<std::pair<std::string, std::string>> entries = {
      {"bin\\server.exe", TestBytes(500000, 1)}, {"webmail\\index.html", TestBytes(200000, 2, true)},
      {"config\\empty.dat", ""}, {"license.txt", "Licence\r\n"}};
  for (uint32_t format : {kNameFormatFixed, kNameFormatPrefixed}) {
    for (bool compressed : {false, true}) {
      StringOutput out;
      SetupDataWriter writer(out, WriterOptions{true, compressed, 6, format});
      ASSERT_TRUE(writer.Begin());
      for (const auto& [name, data] : entries) ASSERT_EQ(writer.Add(name, data), SetupDataWriter::AddStatus::kOk);
      RemoveTree(dest_);
      ASSERT_TRUE(Extract(out.bytes())) << "format " << format << " compressed " << compressed;
      for (const auto& [name, data] : entries) {
        EXPECT_TRUE(GetFile(dest_ + name) == data) << name << " format " << format << " compressed " << compressed;
      }
      EXPECT_EQ(Tree(dest_).size(), 7u);
    }
  }
}

TEST_F(ExtractDataFileTest, StartOffsetPointsAtTheHeader) {
  std::string container = Header(true, 2) + PrefixedEntry("h.txt", kHelloZlib);
  PutFile(container_, std::string(100, 'J') + container);
  ASSERT_TRUE(ExtractDataFile(container_, dest_, true, "", 100, ""));
  EXPECT_EQ(GetFile(dest_ + "h.txt"), "hello");

  // Without the magic, entries are read from the start offset too.
  PutFile(container_, std::string(50, 'J') + FixedEntry("raw.txt", "raw"));
  ASSERT_TRUE(ExtractDataFile(container_, dest_, true, "", 50, ""));
  EXPECT_EQ(GetFile(dest_ + "raw.txt"), "raw");
}

TEST_F(ExtractDataFileTest, WithoutOverwriteExistingFilesStayAndNewOnesAreWritten) {
  MakeDirectory(dest_);
  PutFile(dest_ + "Existing.TXT", "admin's");
  ASSERT_TRUE(Extract(Header(false, 2) + PrefixedEntry("existing.txt", "shipped") + PrefixedEntry("new.txt", "new"),
                      false));
  EXPECT_EQ(GetFile(dest_ + "existing.txt"), "admin's");
  EXPECT_EQ(GetFile(dest_ + "new.txt"), "new");
  EXPECT_EQ(report_.notSelected, 1u);
}

TEST_F(ExtractDataFileTest, LdapKeepListProtectsTheListedFilesOnly) {
  MakeDirectory(dest_);
  MakeDirectory(dest_ + "schema");
  MakeDirectory(dest_ + "conf");
  PutFile(dest_ + "Slapd.Conf", "admin's configuration");
  PutFile(dest_ + "schema\\core.schema", "admin's schema");
  PutFile(dest_ + "schema\\local.schema", "old local");
  PutFile(dest_ + "conf\\slapd.conf", "old nested");
  PutFile(dest_ + "slapd.exe", "old program");
  std::string bytes = Header(true, 2);
  for (const char* name : {"slapd.conf", "schema/core.schema", "schema\\local.schema", "conf\\slapd.conf",
                           "slapd.exe", "schema\\cosine.schema"}) {
    bytes += PrefixedEntry(name, ZlibCompress(std::string("shipped ") + name));
  }
  ASSERT_TRUE(Extract(bytes, false, kLdapKeepList));
  EXPECT_EQ(GetFile(dest_ + "slapd.conf"), "admin's configuration");
  EXPECT_EQ(GetFile(dest_ + "schema\\core.schema"), "admin's schema");
  EXPECT_EQ(GetFile(dest_ + "schema\\local.schema"), "shipped schema\\local.schema");
  EXPECT_EQ(GetFile(dest_ + "conf\\slapd.conf"), "shipped conf\\slapd.conf");
  EXPECT_EQ(GetFile(dest_ + "slapd.exe"), "shipped slapd.exe");
  EXPECT_EQ(GetFile(dest_ + "schema\\cosine.schema"), "shipped schema\\cosine.schema");
}

TEST_F(ExtractDataFileTest, IncludeListSelectsByWholeLowerCasedName) {
  ASSERT_TRUE(Extract(Header(false, 2) + PrefixedEntry("A.txt", "a") + PrefixedEntry("sub/B.txt", "b") +
                          PrefixedEntry("c.txt", "c"),
                      true, "", " a.TXT ; SUB\\b.txt ;"));
  EXPECT_EQ(Tree(dest_), (std::vector<std::string>{"A.txt", "sub\\", "sub\\B.txt"}));
}

TEST_F(ExtractDataFileTest, NameThatTrimsToEmptyEndsWithTrue) {
  ASSERT_TRUE(Extract(Header(false, 2) + PrefixedEntry("a.txt", "a") + PrefixedEntry(" \r\n", "junk") +
                      PrefixedEntry("b.txt", "b")));
  EXPECT_EQ(report_.stop, ExtractStop::kEmptyName);
  EXPECT_EQ(Tree(dest_), (std::vector<std::string>{"a.txt"}));
}

TEST_F(ExtractDataFileTest, TargetThatCannotBeCreatedStopsWithTrue) {
  MakeDirectory(dest_);
  MakeDirectory(dest_ + "taken");  // a directory where the file should go
  ASSERT_TRUE(Extract(Header(false, 2) + PrefixedEntry("a.txt", "a") + PrefixedEntry("taken", "t") +
                      PrefixedEntry("b.txt", "b")));
  EXPECT_EQ(report_.stop, ExtractStop::kTargetNotCreated);
  EXPECT_EQ(report_.stopEntry.name, "taken");
  EXPECT_EQ(Tree(dest_), (std::vector<std::string>{"a.txt", "taken\\"}));

  // A target held open without sharing cannot be created either.
  RemoveTree(dest_);
  MakeDirectory(dest_);
  PutFile(dest_ + "busy.dll", "in use");
  win32::ScopedHandle busy(
      ::CreateFileA((dest_ + "busy.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(busy);
  ASSERT_TRUE(Extract(Header(false, 2) + PrefixedEntry("busy.dll", "new") + PrefixedEntry("later.txt", "l")));
  busy.reset();
  EXPECT_EQ(report_.stop, ExtractStop::kTargetNotCreated);
  EXPECT_EQ(GetFile(dest_ + "busy.dll"), "in use");
  EXPECT_FALSE(Exists(dest_ + "later.txt"));
}

// The entries are read and inflated ahead on a second thread while the files
// are written: a failure far into a large container still stops at its own
// entry, nothing after it reaches the disk, and the container is let go.
TEST_F(ExtractDataFileTest, FailureDeepInALargeContainerStopsThereAndReleasesIt) {
  MakeDirectory(dest_);
  MakeDirectory(dest_ + "d\\");
  MakeDirectory(dest_ + "d\\file300");  // a directory where entry 300 should go
  std::string bytes = Header(true, 2);
  for (int i = 0; i < 600; ++i) {
    bytes += PrefixedEntry("d/file" + std::to_string(i), ZlibCompress(TestBytes(20000 + 97 * i, i, i % 2 == 0)));
  }
  ASSERT_TRUE(Extract(bytes));
  EXPECT_EQ(report_.stop, ExtractStop::kTargetNotCreated);
  EXPECT_EQ(report_.stopEntry.name, "d\\file300");
  EXPECT_EQ(report_.written, 300u);
  std::vector<std::string> tree = Tree(dest_ + "d\\");
  EXPECT_EQ(tree.size(), 301u) << "300 files and the directory in the way";
  EXPECT_EQ(GetFile(dest_ + "d\\file299"), TestBytes(20000 + 97 * 299, 299, false));
  EXPECT_FALSE(Exists(dest_ + "d\\file301"));
  EXPECT_TRUE(::DeleteFileA(container_.c_str())) << "the container is still open: " << ::GetLastError();
}

TEST_F(ExtractDataFileTest, ReadOnlyTargetIsNotReplacedAndStopsWithTrue) {
  MakeDirectory(dest_);
  PutFile(dest_ + "ro.txt", "protected");
  ASSERT_TRUE(::SetFileAttributesA((dest_ + "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  win32::ScopedHandle probe(::CreateFileA((dest_ + "ro.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  bool writable = static_cast<bool>(probe);
  probe.reset();
  if (writable) {
    GTEST_SKIP() << "this system lets a read-only file be opened for writing (Wine run as root)";
  }
  ASSERT_TRUE(Extract(Header(false, 2) + PrefixedEntry("ro.txt", "replaced") + PrefixedEntry("later.txt", "l")));
  EXPECT_EQ(report_.stop, ExtractStop::kTargetNotCreated);
  EXPECT_EQ(GetFile(dest_ + "ro.txt"), "protected");
  EXPECT_TRUE(Attributes(dest_ + "ro.txt") & FILE_ATTRIBUTE_READONLY) << "the attribute is not cleared";
  EXPECT_FALSE(Exists(dest_ + "later.txt"));
}

TEST_F(ExtractDataFileTest, TruncatedDataEndsWithTrue) {
  ASSERT_TRUE(Extract(Header(false, 2) + PrefixedEntry("a.txt", "a") + PrefixedName("cut.bin") + Le32(100000) +
                      "only this"));
  EXPECT_TRUE(report_.dataTruncated);
  EXPECT_EQ(GetFile(dest_ + "cut.bin"), "only this");

  RemoveTree(dest_);
  std::string stream = ZlibCompress(TestBytes(200000, 8, true));
  ASSERT_TRUE(Extract(Header(true, 2) + PrefixedName("cut.txt") + Le32(static_cast<uint32_t>(stream.size())) +
                      stream.substr(0, stream.size() / 2)));
  EXPECT_TRUE(report_.dataTruncated);
  EXPECT_TRUE(Exists(dest_ + "cut.txt"));
  EXPECT_EQ(GetFile(dest_ + "cut.txt"), "") << "truncated compressed data leaves the target empty";
}

TEST_F(ExtractDataFileTest, CorruptZlibDataLeavesTheTargetEmpty) {
  std::string bad = ZlibCompress(TestBytes(600000, 9, true));
  bad[bad.size() - 100] ^= 0x20;
  MakeDirectory(dest_);
  PutFile(dest_ + "bad.txt", "old content");
  ASSERT_TRUE(Extract(Header(true, 2) + PrefixedEntry("bad.txt", bad) + PrefixedEntry("good.txt", kHelloZlib)));
  EXPECT_EQ(report_.inflateFailures, 1u);
  EXPECT_TRUE(Exists(dest_ + "bad.txt"));
  EXPECT_EQ(GetFile(dest_ + "bad.txt").size(), 0u);
  EXPECT_EQ(GetFile(dest_ + "good.txt"), "hello");
}

TEST_F(ExtractDataFileTest, NamesLeavingTheDestinationMakeTheContainerDamaged) {
  char cwd[MAX_PATH];
  ASSERT_GT(::GetCurrentDirectoryA(MAX_PATH, cwd), 0u);
  std::string unique = "tarno-evil-" + std::to_string(::GetCurrentProcessId()) + ".txt";
  MakeDirectory(dest_);
  MakeDirectory(dest_ + "a");
  const std::string names[] = {"..\\" + unique, "C:\\" + unique, "\\" + unique, "a\\..\\..\\" + unique,
                               "a/../../" + unique, "C:" + unique, "..  \\" + unique, "a.txt:stream"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(Extract(Header(false, 2) + PrefixedEntry("first.txt", "1") + PrefixedEntry(name, "evil") +
                         PrefixedEntry("after.txt", "2")));
    EXPECT_EQ(report_.stop, ExtractStop::kUnsafeName);
    EXPECT_EQ(GetFile(dest_ + "first.txt"), "1") << "entries before the damage stay";
    EXPECT_FALSE(Exists(dest_ + "after.txt"));
  }
  EXPECT_FALSE(Exists(root_ + unique));
  EXPECT_FALSE(Exists("C:\\" + unique));
  EXPECT_FALSE(Exists(std::string(cwd, 2) + "\\" + unique));
  EXPECT_FALSE(Exists(std::string(cwd) + "\\" + unique));
  EXPECT_EQ(Tree(dest_), (std::vector<std::string>{"a\\", "first.txt"}));
}

TEST_F(ExtractDataFileTest, SizeFieldOfAllOnesInASmallFileIsDamage) {
  EXPECT_FALSE(Extract(Header(true, 2) + PrefixedEntry("a.txt", kHelloZlib) + PrefixedName("huge") +
                       Le32(0xFFFFFFFFu) + kHelloZlib));
  EXPECT_EQ(report_.stop, ExtractStop::kNegativeSize);
  EXPECT_EQ(GetFile(dest_ + "a.txt"), "hello");
  EXPECT_FALSE(Exists(dest_ + "huge"));

  // The largest positive size: truncated data, the target stays empty.
  EXPECT_TRUE(Extract(Header(true, 2) + PrefixedName("huge") + Le32(0x7FFFFFFFu) + kHelloZlib));
  EXPECT_TRUE(report_.dataTruncated);
  EXPECT_EQ(GetFile(dest_ + "huge"), "");
}

TEST_F(ExtractDataFileTest, ContainerEndingInsideANameAnswersFalse) {
  std::string bytes = Header(false, 1) + FixedEntry("a.txt", "a") + FixedName("b.txt").substr(0, 100);
  EXPECT_FALSE(Extract(bytes));
  EXPECT_EQ(report_.stop, ExtractStop::kTruncatedField);
  EXPECT_EQ(GetFile(dest_ + "a.txt"), "a");
}

TEST_F(ExtractDataFileTest, RemoveExtractedTreeDeletesEverythingButRefusesEmptyPaths) {
  PutFile(container_, Header(true, 2) + PrefixedEntry("a\\b\\c.txt", kHelloZlib) + PrefixedEntry("d.txt", kHelloZlib));
  ASSERT_TRUE(ExtractDataFile(container_, dest_, true, "", 0, ""));
  ASSERT_TRUE(Exists(dest_ + "a\\b\\c.txt"));
  RemoveExtractedTree(root_ + "dest");  // without trailing backslash
  EXPECT_FALSE(Exists(dest_));
  EXPECT_TRUE(Exists(container_));

  // An empty path would otherwise mean the current directory.
  char saved[MAX_PATH];
  ASSERT_GT(::GetCurrentDirectoryA(MAX_PATH, saved), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryA(root_.c_str()));
  RemoveExtractedTree("");
  ::SetCurrentDirectoryA(saved);
  EXPECT_TRUE(Exists(container_));
}

TEST_F(ExtractDataFileTest, PrepareFreshDirectoryRemovesWhateverWasThere) {
  // A staging tree left behind, with files that resist a plain delete.
  MakeDirectory(dest_);
  MakeDirectory(dest_ + "planted");
  MakeDirectory(dest_ + "planted\\deep");
  PutFile(dest_ + "planted\\deep\\evil.dll", "planted");
  PutFile(dest_ + "readonly.txt", "r");
  PutFile(dest_ + "hidden.sys", "h");
  ASSERT_TRUE(::SetFileAttributesA((dest_ + "readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(::SetFileAttributesA((dest_ + "hidden.sys").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(::SetFileAttributesA((dest_ + "planted").c_str(), FILE_ATTRIBUTE_READONLY));
  PutFile(root_ + "beside.txt", "stays");

  ASSERT_TRUE(PrepareFreshDirectory(root_ + "dest"));
  EXPECT_TRUE(IsDir(dest_));
  EXPECT_EQ(Tree(dest_), std::vector<std::string>{});
  EXPECT_EQ(GetFile(root_ + "beside.txt"), "stays");

  // Then only what the container holds is there.
  PutFile(container_, Header(false, 2) + PrefixedEntry("a.txt", "a"));
  ASSERT_TRUE(ExtractDataFile(container_, dest_, true, "", 0, ""));
  EXPECT_EQ(Tree(dest_), std::vector<std::string>{"a.txt"});
}

TEST_F(ExtractDataFileTest, PrepareFreshDirectoryReplacesAFileAndRefusesRoots) {
  PutFile(root_ + "dest", "a file where the directory should be");
  ASSERT_TRUE(PrepareFreshDirectory(dest_));
  EXPECT_TRUE(IsDir(dest_));
  ASSERT_TRUE(PrepareFreshDirectory(root_ + "new\\staging\\"));
  EXPECT_TRUE(IsDir(root_ + "new\\staging"));

  EXPECT_FALSE(PrepareFreshDirectory(""));
  EXPECT_FALSE(PrepareFreshDirectory("C:"));
  EXPECT_FALSE(PrepareFreshDirectory("C:\\"));
  EXPECT_TRUE(IsDir("C:\\windows")) << "a drive's root is never emptied";
}

TEST_F(ExtractDataFileTest, PrepareFreshDirectoryAnswersFalseWhenSomethingStays) {
  MakeDirectory(dest_);
  PutFile(dest_ + "busy.dll", "in use");
  win32::ScopedHandle busy(
      ::CreateFileA((dest_ + "busy.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(busy);
  EXPECT_FALSE(PrepareFreshDirectory(dest_));
  busy.reset();
  EXPECT_TRUE(PrepareFreshDirectory(dest_));
  EXPECT_EQ(Tree(dest_), std::vector<std::string>{});
}

}  // namespace
}  // namespace engine

namespace engine {
namespace {

// The check before anything is stopped: a whole container passes, one cut
// inside data or a field, damaged, or missing does not, and nothing is written.
TEST_F(ExtractDataFileTest, DataFileIntactFindsTruncationAndDamageWithoutWriting) {
  struct Case {
    const char* what;
    std::string bytes;
    bool intact;
  };
  const std::string stream = ZlibCompress(TestBytes(200000, 8, true));
  const std::string whole = Header(true, 2) + PrefixedEntry("a.txt", kHelloZlib) + PrefixedName("big.bin") +
                            Le32(static_cast<uint32_t>(stream.size())) + stream;
  auto flipped = [&](size_t at) {
    std::string bytes = whole;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
    return bytes;
  };
  const Case cases[] = {
      {"whole", whole, true},
      {"a byte changed inside compressed data", flipped(whole.size() - stream.size() / 2), false},
      {"a byte changed in the check value", flipped(whole.size() - 1), false},
      {"without header", FixedEntry("a.txt", "a") + FixedEntry("b.txt", "b"), true},
      {"empty", "", true},
      {"cut inside data", whole.substr(0, whole.size() - 1), false},
      {"cut inside a size field", Header(false, 2) + PrefixedEntry("a.txt", "a") + PrefixedName("b") + "\x01", false},
      {"negative size", Header(false, 2) + PrefixedName("huge") + Le32(0xFFFFFFFFu), false},
      {"name leaving the destination", Header(false, 2) + PrefixedEntry("..\\x.txt", "x"), false},
  };
  for (const Case& c : cases) {
    PutFile(container_, c.bytes);
    EXPECT_EQ(DataFileIntact(container_), c.intact) << c.what;
  }
  EXPECT_FALSE(DataFileIntact(root_ + "missing.Dat"));
  EXPECT_FALSE(Exists(dest_)) << "the check wrote something";
}

}  // namespace
}  // namespace engine
