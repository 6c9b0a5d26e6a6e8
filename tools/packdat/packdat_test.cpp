#include "packdat.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/setup_data_test_support.h"

namespace packdat {
namespace {

namespace fs = std::filesystem;
using namespace engine::testing;

struct Result {
  int code;
  std::string out, err;
};

Result RunTool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  int code = Run(args, out, err);
  return {code, out.str(), err.str()};
}

// Relative names of every file below `root`, with their bytes.
std::map<std::string, std::string> Files(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file()) files[e.path().lexically_relative(root).generic_string()] = ReadWhole(e.path());
  }
  return files;
}

class PackdatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("tarno-packdat-") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string P(const std::string& name) const { return (dir_ / name).string(); }

  void MakePayload() {
    WriteWhole(dir_ / "in" / "readme.txt", "Tarno\r\n");
    WriteWhole(dir_ / "in" / "bin" / "server.exe", TestBytes(200000, 1));
    WriteWhole(dir_ / "in" / "webmail" / "skins" / "style.css", TestBytes(90000, 2, true));
    WriteWhole(dir_ / "in" / "config" / "empty.dat", "");
  }
  fs::path dir_;
};

TEST_F(PackdatTest, HelpAndUsageErrors) {
  Result help = RunTool({"--help"});
  EXPECT_EQ(help.code, kExitOk);
  EXPECT_NE(help.out.find("usage: packdat"), std::string::npos);
  EXPECT_EQ(RunTool({"create", "--help"}).code, kExitOk);

  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{}, "no command"},
      {{"pack"}, "unknown command"},
      {{"create", P("in")}, "expected FOLDER and CONTAINER"},
      {{"create", "--zlib=10", P("in"), P("c.dat")}, "level must be 0 to 9"},
      {{"create", "--no-header", P("in"), P("c.dat")}, "without header"},
      {{"create", "--no-header", "--raw", "--names=prefixed", P("in"), P("c.dat")}, "256-byte names"},
      {{"create", "--names=short", P("in"), P("c.dat")}, "unknown option"},
      {{"list"}, "expected CONTAINER"},
      {{"verify", "--offset=x", P("c.dat")}, "--offset needs a number"},
      {{"extract", "--overwrite", "--keep=;a;", P("c.dat"), P("out")}, "--keep has no effect"},
  };
  for (const Case& c : cases) {
    Result r = RunTool(c.args);
    EXPECT_EQ(r.code, kExitUsage) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

TEST_F(PackdatTest, CreatedContainerIsSortedAndExactlyTheLayout) {
  WriteWhole(dir_ / "in" / "b.txt", "B");
  WriteWhole(dir_ / "in" / "a" / "c.txt", "C");
  Result r = RunTool({"create", "--raw", "--names=prefixed", P("in"), P("c.dat")});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(ReadWhole(dir_ / "c.dat"), Header(false, 2) + PrefixedEntry("a\\c.txt", "C") + PrefixedEntry("b.txt", "B"));

  r = RunTool({"create", "--raw", "--names=fixed256", "--no-header", P("in"), P("bare.dat")});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(ReadWhole(dir_ / "bare.dat"), FixedEntry("a\\c.txt", "C") + FixedEntry("b.txt", "B"));

  r = RunTool({"create", "--zlib", "9", P("in"), P("z.dat")});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(ReadWhole(dir_ / "z.dat"),
            Header(true, 2) + PrefixedEntry("a\\c.txt", ZlibCompress("C", 9)) + PrefixedEntry("b.txt", ZlibCompress("B", 9)));
  EXPECT_NE(r.out.find("packed 2 files, 2 bytes"), std::string::npos) << r.out;
}

TEST_F(PackdatTest, SameFolderGivesTheSameBytes) {
  MakePayload();
  ASSERT_EQ(RunTool({"create", P("in"), P("one.dat")}).code, kExitOk);
  ASSERT_EQ(RunTool({"create", P("in"), P("two.dat")}).code, kExitOk);
  EXPECT_TRUE(ReadWhole(dir_ / "one.dat") == ReadWhole(dir_ / "two.dat"));
  EXPECT_FALSE(fs::exists(dir_ / "one.dat.partial"));
}

TEST_F(PackdatTest, EveryFormatRoundTripsThroughListVerifyAndExtract) {
  MakePayload();
  std::map<std::string, std::string> payload = Files(dir_ / "in");
  const std::vector<std::vector<std::string>> variants = {
      {}, {"--zlib=1", "--names=fixed256"}, {"--raw"}, {"--raw", "--names=fixed256", "--no-header"}, {"--zlib=0"}};
  int n = 0;
  for (const std::vector<std::string>& variant : variants) {
    std::string container = P("c" + std::to_string(n) + ".dat");
    std::string out = P("out" + std::to_string(n++));
    std::vector<std::string> args = {"create"};
    args.insert(args.end(), variant.begin(), variant.end());
    args.push_back(P("in"));
    args.push_back(container);
    Result created = RunTool(args);
    ASSERT_EQ(created.code, kExitOk) << created.err;

    Result list = RunTool({"list", container});
    ASSERT_EQ(list.code, kExitOk) << list.err;
    EXPECT_NE(list.out.find("200000  bin\\server.exe"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("4 entries"), std::string::npos) << list.out;

    Result verify = RunTool({"verify", container});
    EXPECT_EQ(verify.code, kExitOk) << verify.err;
    EXPECT_NE(verify.out.find("4 entries verified"), std::string::npos) << verify.out;

    Result extract = RunTool({"extract", container, out});
    ASSERT_EQ(extract.code, kExitOk) << extract.err;
    EXPECT_EQ(Files(out), payload);
  }
}

TEST_F(PackdatTest, ContainerInsideTheFolderIsNotPackedIntoItself) {
  MakePayload();
  ASSERT_EQ(RunTool({"create", P("in"), P("in/setup.Dat")}).code, kExitOk);
  Result again = RunTool({"create", P("in"), P("in/setup.Dat")});
  ASSERT_EQ(again.code, kExitOk) << again.err;
  Result list = RunTool({"list", P("in/setup.Dat")});
  EXPECT_EQ(list.out.find("setup.Dat\n"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("4 entries"), std::string::npos) << list.out;
}

TEST_F(PackdatTest, ExtractFollowsTheSetupsOverwriteAndKeepRules) {
  WriteWhole(dir_ / "in" / "slapd.conf", "shipped conf");
  WriteWhole(dir_ / "in" / "slapd.exe", "new program");
  WriteWhole(dir_ / "in" / "new.txt", "new");
  ASSERT_EQ(RunTool({"create", P("in"), P("ldap.dat")}).code, kExitOk);
  auto reset = [&] {
    fs::remove_all(dir_ / "out");
    WriteWhole(dir_ / "out" / "slapd.conf", "admin's conf");
    WriteWhole(dir_ / "out" / "slapd.exe", "old program");
  };
  reset();
  ASSERT_EQ(RunTool({"extract", P("ldap.dat"), P("out")}).code, kExitOk);
  EXPECT_EQ(ReadWhole(dir_ / "out" / "slapd.conf"), "admin's conf");
  EXPECT_EQ(ReadWhole(dir_ / "out" / "slapd.exe"), "old program");
  EXPECT_EQ(ReadWhole(dir_ / "out" / "new.txt"), "new");
  reset();
  ASSERT_EQ(RunTool({"extract", "--keep=;Slapd.Conf;schema\\core.schema;", P("ldap.dat"), P("out")}).code, kExitOk);
  EXPECT_EQ(ReadWhole(dir_ / "out" / "slapd.conf"), "admin's conf");
  EXPECT_EQ(ReadWhole(dir_ / "out" / "slapd.exe"), "new program");
  reset();
  Result all = RunTool({"extract", "--overwrite", "--include=slapd.conf", P("ldap.dat"), P("out")});
  ASSERT_EQ(all.code, kExitOk) << all.err;
  EXPECT_EQ(ReadWhole(dir_ / "out" / "slapd.conf"), "shipped conf");
  EXPECT_EQ(ReadWhole(dir_ / "out" / "slapd.exe"), "old program");
  EXPECT_FALSE(fs::exists(dir_ / "out" / "new.txt"));
  EXPECT_NE(all.out.find("2 not selected"), std::string::npos) << all.out;
}

TEST_F(PackdatTest, DamagedContainersFailWithoutWritingOutsideTheDestination) {
  WriteWhole(dir_ / "evil.dat", Header(false, 2) + PrefixedEntry("ok.txt", "ok") + PrefixedEntry("..\\escaped.txt", "x"));
  Result verify = RunTool({"verify", P("evil.dat")});
  EXPECT_EQ(verify.code, kExitFailed);
  EXPECT_NE(verify.err.find("\"..\\escaped.txt\" at offset 26 has a '.' or '..' segment"), std::string::npos)
      << verify.err;
  Result extract = RunTool({"extract", P("evil.dat"), P("out")});
  EXPECT_EQ(extract.code, kExitFailed);
  EXPECT_NE(extract.err.find("the setup would answer false"), std::string::npos) << extract.err;
  EXPECT_EQ(ReadWhole(dir_ / "out" / "ok.txt"), "ok");
  EXPECT_FALSE(fs::exists(dir_ / "escaped.txt"));

  std::string bad = ZlibCompress(TestBytes(50000, 3, true));
  bad[bad.size() / 2] ^= 0x11;
  WriteWhole(dir_ / "corrupt.dat", Header(true, 2) + PrefixedEntry("bad.txt", bad) + PrefixedEntry("h.txt", kHelloZlib));
  Result list = RunTool({"list", P("corrupt.dat")});
  EXPECT_EQ(list.code, kExitFailed);
  EXPECT_NE(list.out.find("-  bad.txt"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("5  h.txt"), std::string::npos) << list.out;
  EXPECT_NE(list.err.find("does not inflate"), std::string::npos) << list.err;
  Result ex = RunTool({"extract", P("corrupt.dat"), P("out2")});
  EXPECT_EQ(ex.code, kExitFailed);
  EXPECT_NE(ex.err.find("left empty"), std::string::npos) << ex.err;
  EXPECT_EQ(ReadWhole(dir_ / "out2" / "bad.txt"), "");
  EXPECT_EQ(ReadWhole(dir_ / "out2" / "h.txt"), "hello");

  WriteWhole(dir_ / "cut.dat", Header(false, 2) + PrefixedName("cut") + Le32(100));
  EXPECT_EQ(RunTool({"verify", P("cut.dat")}).code, kExitFailed);
  EXPECT_EQ(RunTool({"verify", P("missing.dat")}).code, kExitFailed);
}

TEST_F(PackdatTest, OffsetReadsAContainerInsideAnotherFile) {
  WriteWhole(dir_ / "in" / "a.txt", "A");
  ASSERT_EQ(RunTool({"create", P("in"), P("c.dat")}).code, kExitOk);
  WriteWhole(dir_ / "wrapped.bin", std::string(77, 'W') + ReadWhole(dir_ / "c.dat"));
  Result r = RunTool({"verify", "--offset=77", P("wrapped.bin")});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(RunTool({"extract", "--offset=77", P("wrapped.bin"), P("out")}).code, kExitOk);
  EXPECT_EQ(ReadWhole(dir_ / "out" / "a.txt"), "A");
}

TEST_F(PackdatTest, NamesDifferingOnlyInCaseAreRefused) {
  WriteWhole(dir_ / "in" / "Readme.txt", "1");
  if (fs::exists(dir_ / "in" / "README.TXT")) GTEST_SKIP() << "this file system ignores letter case";
  WriteWhole(dir_ / "in" / "README.TXT", "2");
  Result r = RunTool({"create", P("in"), P("c.dat")});
  EXPECT_EQ(r.code, kExitFailed);
  EXPECT_NE(r.err.find("differ only in letter case"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "c.dat"));
}

}  // namespace
}  // namespace packdat
