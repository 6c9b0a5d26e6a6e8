#include "serverconf/database_library.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serverconf/config_comment.h"
#include "serverconf/config_store.h"
#include "serverconf/database_entry_points.h"
#include "support/config_store_test_support.h"
#include "support/test_files.h"

namespace serverconf {
namespace {

namespace f = settings_field;
using namespace serverconf::testing;
using win32::test_files::GetFile;
using win32::test_files::PutFile;

std::string OwnFolder() {
  char path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string text(path, n);
  return text.substr(0, text.find_last_of('\\') + 1);
}

// The suite's stand-in, and a copy of it that lacks DBGetChallengeFolder;
// the build puts them in folders of their own below the test program.
std::string StandIn() { return OwnFolder() + "db-standin\\db.dll"; }
std::string LackingEntry() { return OwnFolder() + "db-lacking-entry\\db.dll"; }

std::string SystemText(DWORD code) {
  char* buffer = nullptr;
  const DWORD n = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text(buffer ? buffer : "", n);
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "  " + line + "\n";
  return text;
}

// An account record with `aliases` as its alias list and `marker` in its
// last byte, so that records can be told apart.
std::vector<uint8_t> Account(const std::string& aliases, uint8_t marker) {
  std::vector<uint8_t> record(2848, 0);
  record[260] = static_cast<uint8_t>(aliases.size());
  std::copy(aliases.begin(), aliases.end(), record.begin() + 261);
  record.back() = marker;
  return record;
}

// A folder of the test's own with an install folder "inst\" in it, the
// setup log captured in "setup.log", and the library released afterwards
// whatever the test left.
class DatabaseLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(::GetFileAttributesA(StandIn().c_str()), INVALID_FILE_ATTRIBUTES) << "stand-in missing: " << StandIn();
    ::CreateDirectoryA(Inst().c_str(), nullptr);
    ::SetEnvironmentVariableA("TARNO_SETUP_LOG", (folder_.Dir() + "setup.log").c_str());
  }
  void TearDown() override {
    db::Unload();
    ::SetEnvironmentVariableA("TARNO_SETUP_LOG", nullptr);
  }
  std::string Inst() const { return folder_.Dir() + "inst\\"; }
  // Copies `library` to inst\ + `relative` (its folder made first).
  void Place(const std::string& library, const std::string& relative) {
    const std::string target = Inst() + relative;
    ::CreateDirectoryA(target.substr(0, target.find_last_of('\\')).c_str(), nullptr);
    ASSERT_TRUE(::CopyFileA(library.c_str(), target.c_str(), FALSE))
        << library << " -> " << target << " error " << ::GetLastError();
  }
  std::string Log() const { return folder_.Read("setup.log"); }
  // The lines of the log about the library (the store logs other things
  // of its own, such as the system's DNS servers it could not read).
  std::string LibraryLog() const {
    std::string lines;
    for (const std::string& line : SplitConfigLines(Log()))
      if (line.find("db.dll") != std::string::npos) lines += line + "\r\n";
    return lines;
  }
  // The stand-in's calls log in `dir` (relative to inst\), one call a line.
  std::vector<std::string> Calls(const std::string& dir = "") const {
    return SplitConfigLines(folder_.Read("inst\\" + dir + "db-calls.log"));
  }
  void ClearCalls(const std::string& dir = "") const { ::DeleteFileA((Inst() + dir + "db-calls.log").c_str()); }

  TempFolder folder_;
};

// The install folder's library is taken before the one in lib\; the one in
// lib\ when the install folder has none. Unloading says DBDoneConnection and
// releases the module.
TEST_F(DatabaseLibraryTest, LoadsFromTheInstallFolderElseFromLib) {
  Place(StandIn(), "lib\\db.dll");
  ASSERT_TRUE(db::Load(Inst())) << Log();
  EXPECT_TRUE(db::Loaded());
  EXPECT_EQ(db::LoadedPath(), Inst() + "lib\\db.dll");
  EXPECT_NE(::GetModuleHandleA((Inst() + "lib\\db.dll").c_str()), nullptr);
  db::Unload();
  EXPECT_FALSE(db::Loaded());
  EXPECT_EQ(db::LoadedPath(), "");
  EXPECT_EQ(::GetModuleHandleA((Inst() + "lib\\db.dll").c_str()), nullptr) << "the module is still mapped";
  EXPECT_EQ(Calls("lib\\"), std::vector<std::string>{"DBDoneConnection"}) << "binding calls nothing";

  Place(StandIn(), "db.dll");
  ASSERT_TRUE(db::Load(Inst())) << Log();
  EXPECT_EQ(db::LoadedPath(), Inst() + "db.dll");
  ASSERT_TRUE(db::Load(Inst() + "lib\\")) << "a second load keeps the library held";
  EXPECT_EQ(db::LoadedPath(), Inst() + "db.dll");
  db::Unload();
  db::Unload();
  EXPECT_EQ(Calls(), std::vector<std::string>{"DBDoneConnection"}) << "a second unload calls nothing";
  EXPECT_EQ(Log(), "") << "nothing failed";
}

// Without db.dll the load fails with one line in the server's form, naming
// the last place looked at; a db.dll in the current directory is not used.
TEST_F(DatabaseLibraryTest, MissingLibraryIsLoggedAndNeverSearchedFor) {
  char previous[MAX_PATH];
  ASSERT_GT(::GetCurrentDirectoryA(MAX_PATH, previous), 0u);
  Place(StandIn(), "current\\db.dll");
  ASSERT_TRUE(::SetCurrentDirectoryA((Inst() + "current").c_str()));
  const bool loaded = db::Load(Inst());
  ::SetCurrentDirectoryA(previous);
  EXPECT_FALSE(loaded) << "loaded " << db::LoadedPath();
  EXPECT_FALSE(db::Loaded());
  EXPECT_EQ(Log(), "[Setup] db.dll function LoadLibrary(" + Inst() + "lib\\db.dll) error 126 : " + SystemText(126) +
                       "\r\n");
}

// A library that lacks one entry point is released again and not used.
TEST_F(DatabaseLibraryTest, LibraryLackingAnEntryPointIsNotUsed) {
  Place(LackingEntry(), "db.dll");
  EXPECT_FALSE(db::Load(Inst()));
  EXPECT_FALSE(db::Loaded());
  EXPECT_EQ(db::LoadedPath(), "");
  EXPECT_EQ(::GetModuleHandleA((Inst() + "db.dll").c_str()), nullptr) << "the module is still mapped";
  EXPECT_EQ(Log(), "[Setup] db.dll function GetProcAddress(DBGetChallengeFolder) error 127 : " + SystemText(127) +
                       "\r\n");
  EXPECT_FALSE(db::AddDomain("example.org")) << "no call reaches a library that is not bound";
  EXPECT_FALSE(folder_.Exists("inst\\db-calls.log"));
}

// Each call reaches the library with its arguments, in order; the domain
// calls change what the library stores.
TEST_F(DatabaseLibraryTest, DomainCallsReachTheLibrary) {
  Place(StandIn(), "db.dll");
  ASSERT_TRUE(db::Load(Inst())) << Log();
  EXPECT_TRUE(db::SetConnection("DSN=tarno;UID=sa"));
  EXPECT_TRUE(db::ReloadConfig());
  EXPECT_TRUE(db::AddDomain("example.org"));
  EXPECT_TRUE(db::AddDomain("second.example"));
  EXPECT_TRUE(db::SetDomainIP("second.example", "10.0.0.5"));
  EXPECT_TRUE(db::MakeDomainPrimary("second.example"));
  std::vector<uint8_t> record(913);
  for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<uint8_t>(i * 7);
  EXPECT_TRUE(db::SetDomain("example.org", record));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"DBSetConnection\tDSN=tarno;UID=sa", "DBReloadConfig",
                                                "DBAddDomain\texample.org", "DBAddDomain\tsecond.example",
                                                "DBSetDomainIP\tsecond.example\t10.0.0.5",
                                                "DBMakeDomainPrimary\tsecond.example", "DBSetDomain\texample.org\t913"}))
      << Joined(Calls());
  EXPECT_EQ(folder_.Read("inst\\dbstore\\domains.txt"), "second.example\t10.0.0.5\r\nexample.org\t0.0.0.0\r\n");
  EXPECT_EQ(folder_.Read("inst\\dbstore\\example.org.domain"), std::string(record.begin(), record.end()));
  EXPECT_EQ(Log(), "");
}

// Accounts are stored whole, found by any item of their alias list in any
// case, replaced by index and walked from a given position.
TEST_F(DatabaseLibraryTest, AccountsAreSavedFoundAndWalked) {
  Place(StandIn(), "db.dll");
  ASSERT_TRUE(db::Load(Inst())) << Log();
  ASSERT_TRUE(db::AddDomain("example.org"));
  EXPECT_TRUE(db::SaveUsers("example.org", Account("John;J.Smith", 1), -1));
  EXPECT_TRUE(db::SaveUsers("example.org", Account("mary", 2), -1));
  EXPECT_TRUE(db::SaveUsers("example.org", Account("john;j.smith;postmaster", 3), 0));
  EXPECT_FALSE(db::SaveUsers("example.org", Account("x", 4), 5)) << "no account 5";
  EXPECT_FALSE(db::SaveUsers("example.org", std::vector<uint8_t>(100), -1)) << "a record of the wrong size";

  EXPECT_EQ(db::GetUsersIndex("example.org", "J.SMITH"), 0);
  EXPECT_EQ(db::GetUsersIndex("example.org", "postmaster"), 0);
  EXPECT_EQ(db::GetUsersIndex("example.org", "Mary"), 1);
  EXPECT_EQ(db::GetUsersIndex("example.org", "jo"), -1) << "a part of an alias is no alias";
  EXPECT_EQ(db::GetUsersIndex("other.example", "mary"), -1);

  void* cursor = nullptr;
  ASSERT_TRUE(db::InitUsers("example.org", &cursor, -1, 0));
  std::vector<uint8_t> got;
  std::vector<int> markers;
  while (!db::NextUser(cursor, got, 2848)) {
    ASSERT_EQ(got.size(), 2848u);
    markers.push_back(got.back());
  }
  db::DoneUsers(cursor);
  EXPECT_EQ(markers, (std::vector<int>{3, 2}));

  ASSERT_TRUE(db::InitUsers("example.org", &cursor, -1, 1));
  ASSERT_FALSE(db::NextUser(cursor, got, 2848));
  EXPECT_EQ(got, Account("mary", 2));
  EXPECT_TRUE(db::NextUser(cursor, got, 2848)) << "the walk ends after the last account";
  db::DoneUsers(cursor);
}

// A call the library refuses answers false and is logged with the library's
// own error text; a library that is not loaded answers false too.
TEST_F(DatabaseLibraryTest, RefusedCallsAnswerFalseWithTheLibraryText) {
  EXPECT_FALSE(db::SetConnection("DSN=x"));
  EXPECT_EQ(db::GetUsersIndex("example.org", "mary"), -1);
  void* cursor = reinterpret_cast<void*>(1);
  EXPECT_FALSE(db::InitUsers("example.org", &cursor, -1, 0));
  EXPECT_EQ(cursor, nullptr);
  EXPECT_EQ(Log(),
            "[Setup] db.dll function DBSetConnection(DSN=x): the library is not loaded\r\n"
            "[Setup] db.dll function DBGetUsersIndex(example.org, mary): the library is not loaded\r\n"
            "[Setup] db.dll function DBInitUsers(example.org, -1, 0): the library is not loaded\r\n");
  ::DeleteFileA((folder_.Dir() + "setup.log").c_str());

  Place(StandIn(), "db.dll");
  ASSERT_TRUE(db::Load(Inst())) << Log();
  ASSERT_TRUE(db::AddDomain("example.org"));
  ASSERT_TRUE(db::SaveUsers("example.org", Account("mary", 1), -1));
  PutFile(Inst() + "db-fail.txt", "DBAddDomain\r\nDBGetUsersIndex\r\nDBSetDomainIP\r\n");
  EXPECT_FALSE(db::AddDomain("second.example"));
  EXPECT_EQ(db::GetUsersIndex("example.org", "mary"), -1);
  EXPECT_FALSE(db::SetDomainIP("example.org", "10.0.0.1"));
  ::DeleteFileA((Inst() + "db-fail.txt").c_str());
  EXPECT_FALSE(db::AddDomain("Example.org")) << "the library refuses a domain it has, on its own";
  EXPECT_EQ(Log(),
            "[Setup] db.dll function DBAddDomain(second.example) failed : DBAddDomain failed as asked by db-fail.txt\r\n"
            "[Setup] db.dll function DBSetDomainIP(example.org, 10.0.0.1) failed : DBSetDomainIP failed as asked by "
            "db-fail.txt\r\n"
            "[Setup] db.dll function DBAddDomain(Example.org) failed : DBAddDomain: domain example.org exists\r\n")
      << "an alias nobody has (-1) is no failure worth a line";
  EXPECT_TRUE(db::SetDomainIP("example.org", "10.0.0.1"));
  EXPECT_EQ(db::GetUsersIndex("example.org", "mary"), 0);
}

// What a C++ exception thrown inside db.dll does depends on the unwinder.
// With the i686 build's static runtimes and DWARF-2 unwinding, every module
// registers its unwind tables with its own copy of the unwinder: the
// exception is looked for only in db.dll's frames, its runtime finds no
// handler and ends the process before the store's guard runs. With the
// x86-64 build's table-based (SEH) unwinding the exception crosses into the
// setup's frames and the guard turns it into a failed call.
TEST_F(DatabaseLibraryTest, ExceptionInsideTheLibrary) {
  Place(StandIn(), "db.dll");
  PutFile(Inst() + "db-fail.txt", "throw DBAddDomain\r\n");
  ASSERT_TRUE(db::Load(Inst())) << Log();
#if defined(__SEH__)
  EXPECT_FALSE(db::AddDomain("example.org")) << "the guard catches it";
  EXPECT_NE(Log().find("DBAddDomain"), std::string::npos) << Log();
#else
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(db::AddDomain("example.org"), "");
#endif
  EXPECT_TRUE(db::ReloadConfig()) << "other calls are not affected";
}

// The store in database mode: a Professional configuration whose storage
// mode is 2, with the stand-in in the install folder.
class DatabaseModeStoreTest : public DatabaseLibraryTest {
 protected:
  void SetUp() override {
    DatabaseLibraryTest::SetUp();
    ResolveServerPaths(Inst(), "C:\\unused\\");
    Place(StandIn(), "db.dll");
    WriteSettings(kEditionProfessional, kStorageDatabase);
  }
  void TearDown() override {
    UnloadDatabaseLibrary();
    DatabaseLibraryTest::TearDown();
  }
  void WriteSettings(uint8_t edition, uint8_t storage) {
    std::string plain(kServerSettingsSize, '\0');
    plain[255] = char(edition);
    plain[3633] = char(storage);
    PutStr(plain, 2356, " Driver=Stand In , Server=db1 ");
    folder_.Write("inst\\config\\settings.cfg", Scrambled(plain));
  }
};

TEST_F(DatabaseModeStoreTest, LoadingBindsTheLibraryWithTheConnectionText) {
  ASSERT_TRUE(LoadServerConfig(false, false));
  EXPECT_EQ(Settings().Byte(f::kStorageMode), kStorageDatabase);
  EXPECT_TRUE(db::Loaded());
  EXPECT_EQ(db::LoadedPath(), Inst() + "db.dll");
  EXPECT_EQ(Calls(), (std::vector<std::string>{"DBSetConnection\tDriver=StandIn;Server=db1", "DBReloadConfig"}))
      << Joined(Calls());
  UnloadDatabaseLibrary();
  EXPECT_FALSE(db::Loaded());
  EXPECT_EQ(::GetModuleHandleA((Inst() + "db.dll").c_str()), nullptr) << "the module is still mapped";
  EXPECT_EQ(Calls().back(), "DBDoneConnection");
  EXPECT_EQ(LibraryLog(), "");
}

// The skip flag, file mode and the Standard edition leave the library alone.
TEST_F(DatabaseModeStoreTest, LibraryIsLeftAloneOutsideDatabaseModeOrWhenSkipped) {
  ASSERT_TRUE(LoadServerConfig(false, true));
  EXPECT_FALSE(db::Loaded()) << "skip flag";
  WriteSettings(kEditionProfessional, kStorageFiles);
  ASSERT_TRUE(LoadServerConfig(false, false));
  EXPECT_FALSE(db::Loaded()) << "file mode";
  WriteSettings(kEditionStandard, kStorageDatabase);
  ASSERT_TRUE(LoadServerConfig(false, false));
  EXPECT_EQ(Settings().Byte(f::kStorageMode), kStorageFiles);
  EXPECT_FALSE(db::Loaded()) << "Standard edition";
  EXPECT_TRUE(RegisterDomain("example.org")) << "file mode needs no library";
  EXPECT_FALSE(folder_.Exists("inst\\db-calls.log"));
}

// A connection the library refuses is logged; DBReloadConfig is then not
// asked for, and the configuration is still read.
TEST_F(DatabaseModeStoreTest, RefusedConnectionIsLoggedAndTheLoadGoesOn) {
  PutFile(Inst() + "db-fail.txt", "DBSetConnection\r\n");
  EXPECT_TRUE(LoadServerConfig(false, false));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"DBSetConnection\tDriver=StandIn;Server=db1", "DBGetErrorString\t256"}))
      << "the store asks for the library's text, then stops: " << Joined(Calls());
  EXPECT_EQ(LibraryLog(),
            "[Setup] db.dll function DBSetConnection(Driver=StandIn;Server=db1) failed : DBSetConnection failed as "
            "asked by db-fail.txt\r\n");
}

// Registering, binding and making a domain primary reach the library with
// the names and table addresses the store holds.
TEST_F(DatabaseModeStoreTest, DomainOperationsReachTheLibrary) {
  ASSERT_TRUE(LoadServerConfig(false, false));
  ClearCalls();
  ASSERT_TRUE(AddDomain("example.org"));
  ASSERT_TRUE(AddDomain("Second.Example"));
  EXPECT_TRUE(RegisterDomain("example.org"));
  EXPECT_TRUE(RegisterDomain("second.example"));
  EXPECT_TRUE(WriteDomainBinding(1, "10.1.2.3"));
  EXPECT_TRUE(MakeDomainPrimary(1));
  EXPECT_EQ(Domains().Name(0), "second.example");
  EXPECT_EQ(ReadDomainBinding(0), "10.1.2.3");
  EXPECT_EQ(Calls(), (std::vector<std::string>{
                         "DBAddDomain\texample.org", "DBAddDomain\tsecond.example",
                         "DBSetDomainIP\tsecond.example\t255.255.255.255",
                         // the bindings move with their domains, then the library is told
                         "DBSetDomainIP\tsecond.example\t255.255.255.255", "DBSetDomainIP\texample.org\t0.0.0.0",
                         "DBMakeDomainPrimary\tsecond.example"}))
      << Joined(Calls());
  EXPECT_EQ(folder_.Read("inst\\dbstore\\domains.txt"), "second.example\t255.255.255.255\r\nexample.org\t0.0.0.0\r\n");

  ClearCalls();
  EXPECT_TRUE(MakeDomainPrimary(0)) << "already first";
  EXPECT_EQ(Calls(), std::vector<std::string>{"DBMakeDomainPrimary\tsecond.example"}) << Joined(Calls());
  EXPECT_EQ(LibraryLog(), "");
}

// A refusal of the library makes the store's operation answer false; the
// files of the configuration are written all the same.
TEST_F(DatabaseModeStoreTest, RefusedDomainCallsAnswerFalse) {
  ASSERT_TRUE(LoadServerConfig(false, false));
  ASSERT_TRUE(AddDomain("example.org"));
  PutFile(Inst() + "db-fail.txt", "DBAddDomain\r\nDBSetDomainIP\r\nDBMakeDomainPrimary\r\n");
  EXPECT_FALSE(RegisterDomain("example.org"));
  EXPECT_FALSE(WriteDomainBinding(0, "10.0.0.9"));
  EXPECT_EQ(GetFile(Inst() + "config\\example.org\\bind.dat"), "10.0.0.9\r\n");
  EXPECT_TRUE(MakeDomainPrimary(0)) << "answers true whatever the library says";
  EXPECT_NE(LibraryLog().find("DBMakeDomainPrimary(example.org) failed"), std::string::npos) << LibraryLog();

  UnloadDatabaseLibrary();
  EXPECT_FALSE(RegisterDomain("example.org")) << "database mode without a library";
}

}  // namespace
}  // namespace serverconf
