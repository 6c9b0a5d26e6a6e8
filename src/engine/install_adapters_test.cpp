// The installation's component steps with the product's own services: the
// data sources and the antivirus engine as the file stage and the uninstall
// reach them, against a stand-in ODBC driver entry and the stand-in engine.
#include "engine/install_adapters.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/install_product_files.h"
#include "engine/setup_data_writer.h"
#include "engine/uninstall.h"
#include "support/test_files.h"
#include "support/test_registry.h"
#include "win32/library_search.h"
#include "win32/scoped_handle.h"

namespace engine {
namespace {

using namespace win32::test_files;
using win32::test_registry::SavedKey;
using win32::test_registry::SavedValue;
using win32::test_registry::SetText;

constexpr char kDrivers[] = "SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers";
constexpr char kTestDriver[] = "Tarno Access (*.MDB)";
constexpr char kSourceList[] = "SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources";
const std::string kSources = "SOFTWARE\\ODBC\\ODBC.INI\\";

class RecordingProgress : public InstallProgress {
 public:
  void SetProgressText(const std::string& text) override { texts.push_back(text); }
  void StepProgress() override {}
  void FatalError(const std::string& text, unsigned) override { fatal.push_back(text); }
  std::vector<std::string> texts, fatal;
};

std::string Text(const std::string& key, const std::string& name) {
  char buffer[512] = {};
  DWORD size = sizeof buffer;
  if (::RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &size) !=
      ERROR_SUCCESS)
    return "<missing>";
  return buffer;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string Listing(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += "  " + line + "\n";
  return all;
}

// A distribution folder whose "setupav.dat" holds the stand-in engine, a
// staging directory with the two databases, an installation folder with
// blanks in its path; the machine's ODBC driver list swapped for one test
// driver, the suite's two data sources saved and put back; the stand-in
// engine's call log in a folder of the test's own, and the current
// directory a folder of the test's own as well.
class InstallAdaptersTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(win32::RestrictLibrarySearch()); }
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_GT(::GetTempPathA(MAX_PATH, temp), 0u);
    root_ = std::string(temp) + "tarno adapters " + std::to_string(::GetCurrentProcessId()) + "\\";
    RemoveTree(root_);
    for (const char* dir : {"", "dist", "staging", "staging\\spam", "staging\\calendar", "Tarno Mail", "state",
                            "elsewhere"})
      MakeDirectory(root_ + dir);
    PutFile(Staging() + "spam\\challenge.mdb", "challenge");
    PutFile(Staging() + "calendar\\calendar.mdb", "calendar");
    PackEngine();

    {
      win32::ScopedRegKey list;
      if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSourceList, 0, KEY_SET_VALUE, list.receive()) == ERROR_SUCCESS)
        ::RegDeleteValueA(list.get(), kSpamChallengeDsn);
    }
    SetText(kDrivers, kTestDriver, "Installed");
    SetText("SOFTWARE\\ODBC\\ODBCINST.INI\\" + std::string(kTestDriver), "Driver", "C:\\odbc\\tarno.dll");

    ::SetEnvironmentVariableA("TARNO_SETIFACE_STATE", (root_ + "state\\").c_str());
    char current[MAX_PATH];
    saved_directory_.assign(current, ::GetCurrentDirectoryA(MAX_PATH, current));
    ASSERT_TRUE(::SetCurrentDirectoryA(Elsewhere().c_str()));

    state_.InstallFolder = Install();
    paths_ = {Staging(), root_ + "dist\\", "setup.exe"};
  }
  void TearDown() override {
    ::SetCurrentDirectoryA(saved_directory_.c_str());
    ::SetEnvironmentVariableA("TARNO_SETIFACE_STATE", nullptr);
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\ODBC\\ODBCINST.INI\\" + std::string(kTestDriver)).c_str());
    RemoveTree(root_);
  }

  void PackEngine() {
    StringOutput out;
    SetupDataWriter writer(out, WriterOptions());
    ASSERT_TRUE(writer.Begin());
    for (const char* name : {"setiface.dll", "avastoem.exe", "suitesupport.dll"}) {
      const std::string bytes = GetFile(TestProgramFolder() + "av-package\\" + name);
      ASSERT_FALSE(bytes.empty()) << "the stand-in " << name << " is missing";
      ASSERT_EQ(writer.Add(name, bytes), SetupDataWriter::AddStatus::kOk) << name << ": " << writer.error();
    }
    PutFile(root_ + "dist\\setupav.dat", out.bytes());
  }

  std::string Staging() const { return root_ + "staging\\"; }
  std::string Install() const { return root_ + "Tarno Mail\\"; }
  std::string Elsewhere() const { return root_ + "elsewhere"; }
  std::vector<std::string> Calls() const {
    const std::string log = root_ + "state\\setiface-calls.log";
    return Exists(log) ? Lines(GetFile(log)) : std::vector<std::string>{};
  }
  std::string InstallCall() const {
    return "setifaceInstallProgram\tCordane\t" + Staging() + "avast\\avastoem.exe\t" + Install() +
           "avast\t/minicore /noreboot /forceinstall\t2\tstatus=0\tcwd=" + Staging() + "avast";
  }
  std::string UpdateCall() const { return "setifaceUpdateFiles\tCordane\t/overwrite\t2\tstatus=0\tcwd=" + Elsewhere(); }
  std::string UninstallCall() const {
    return "setifaceUninstallProgram\tCordane\t(null)\t2\tstatus=0\tcwd=" + Elsewhere();
  }

  // The component trees' steps of the installation's plan, applied.
  bool PlaceComponentTrees() {
    StagedFilePlacer placer(progress_);
    FileStageParts parts{progress_, placer, services_, {state_.InstallFolder, paths_.staging, paths_.program_dir, {}, {}, {}}};
    for (const PlanStep& step : PlanComponentTrees(FileStageDetection(state_), FileStageRequest(state_, paths_),
                                                   ProbeDistribution(paths_.program_dir), setup::Messages()))
      if (!ApplyFileStep(step, parts)) return false;
    return true;
  }

  std::string root_, saved_directory_;
  SavedKey drivers_{HKEY_LOCAL_MACHINE, kDrivers};
  SavedValue spam_entry_{HKEY_LOCAL_MACHINE, kSourceList, kSpamChallengeDsn};
  SavedValue calendar_entry_{HKEY_LOCAL_MACHINE, kSourceList, kCalendarDsn};
  SavedKey spam_source_{HKEY_LOCAL_MACHINE, kSources + kSpamChallengeDsn};
  SavedKey calendar_source_{HKEY_LOCAL_MACHINE, kSources + kCalendarDsn};
  setup::SetupState state_;
  FileStagePaths paths_;
  RecordingProgress progress_;
  ProductComponentServices services_;
};

// A new installation registers the data source that is missing for the
// installed database and leaves the one that exists as it is; the engine is
// installed from its staged copy, with the exact arguments (the install call
// alone runs in the engine's folder), and updated through its installed
// interface. An upgrade does not install the present engine again but
// updates it; the uninstall has it remove itself and deletes its folder.
TEST_F(InstallAdaptersTest, DataSourcesAndTheEngineThroughTheInstallationAndTheUninstall) {
  SetText(kSourceList, kCalendarDsn, "Some Other Driver");
  SetText(kSources + kCalendarDsn, "DBQ", "D:\\elsewhere.mdb");

  ASSERT_TRUE(PlaceComponentTrees());
  EXPECT_TRUE(progress_.fatal.empty()) << progress_.fatal[0];
  EXPECT_EQ(Text(kSourceList, kSpamChallengeDsn), kTestDriver);
  EXPECT_EQ(Text(kSources + kSpamChallengeDsn, "DBQ"), Install() + "spam\\challenge.mdb");
  EXPECT_EQ(Text(kSourceList, kCalendarDsn), "Some Other Driver");
  EXPECT_EQ(Text(kSources + kCalendarDsn, "DBQ"), "D:\\elsewhere.mdb");
  EXPECT_EQ(Text(kSources + kCalendarDsn, "Driver"), "<missing>") << "the existing source was written";
  EXPECT_EQ(Calls(), (std::vector<std::string>{InstallCall(), UpdateCall()})) << Listing(Calls());
  EXPECT_TRUE(Exists(Install() + "avast\\setup\\setiface.dll")) << "the engine was not installed";
  EXPECT_FALSE(Exists(Staging() + "avast")) << "the staged engine is still there";

  // The upgrade: the databases are in place, the staged ones are not needed.
  ASSERT_TRUE(PlaceComponentTrees());
  EXPECT_TRUE(progress_.fatal.empty()) << progress_.fatal[0];
  EXPECT_EQ(Calls(), (std::vector<std::string>{InstallCall(), UpdateCall(), UpdateCall()})) << Listing(Calls());

  RemoveProgramDirectories(Install());
  EXPECT_EQ(Calls(), (std::vector<std::string>{InstallCall(), UpdateCall(), UpdateCall(), UninstallCall()}))
      << Listing(Calls());
  EXPECT_FALSE(Exists(Install() + "avast")) << "the engine's folder is still there";
  EXPECT_TRUE(Exists(Install() + "calendar\\calendar.mdb")) << "the calendar's data stays";
}

}  // namespace
}  // namespace engine
