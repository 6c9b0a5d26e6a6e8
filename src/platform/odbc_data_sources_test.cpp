#include "platform/odbc_data_sources.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/scoped_handle.h"
#include "support/test_files.h"
#include "support/test_registry.h"

namespace platform {
namespace {

using win32::test_registry::SetText;

constexpr char kDrivers[] = "SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers";
constexpr char kSourceList[] = "SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources";
const std::string kSources = "SOFTWARE\\ODBC\\ODBC.INI\\";

// A driver as the ODBC installer lists it: a name under "ODBC Drivers" and
// its own key with the driver library.
void AddDriver(const std::string& name, const std::string& library) {
  SetText(kDrivers, name, "Installed");
  SetText("SOFTWARE\\ODBC\\ODBCINST.INI\\" + name, "Driver", library);
}

// "name=type:content" for each value of `key`, in the order the registry
// lists them; "<no key>" when it is missing.
std::vector<std::string> Values(const std::string& key) {
  win32::ScopedRegKey k;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, k.receive()) != ERROR_SUCCESS) return {"<no key>"};
  std::vector<std::string> values;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD name_size = sizeof name;
    BYTE data[1024];
    DWORD data_size = sizeof data;
    DWORD type = 0;
    if (::RegEnumValueA(k.get(), i, name, &name_size, nullptr, &type, data, &data_size) != ERROR_SUCCESS) break;
    std::string content;
    if (type == REG_SZ)
      content = "sz:" + std::string(reinterpret_cast<char*>(data));
    else if (type == REG_DWORD)
      content = "dword:" + std::to_string(*reinterpret_cast<DWORD*>(data));
    else
      content = "type " + std::to_string(type);
    values.push_back(std::string(name) + "=" + content);
  }
  return values;
}

std::string ListEntry(const std::string& name) {
  char buffer[512] = {};
  DWORD size = sizeof buffer;
  if (::RegGetValueA(HKEY_LOCAL_MACHINE, kSourceList, name.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &size) !=
      ERROR_SUCCESS)
    return "<missing>";
  return buffer;
}

// The machine's driver list is moved away and replaced by the test's own;
// the data sources have names of the test's own and are removed afterwards.
class OdbcDataSourcesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, (kSources + name_).c_str());
    win32::ScopedRegKey list;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSourceList, 0, KEY_SET_VALUE, list.receive()) == ERROR_SUCCESS)
      ::RegDeleteValueA(list.get(), name_.c_str());
    for (const char* driver : {"Access Text (*.txt)", "Tarno Access (*.MDB)", "Tarno Jet (*.mdb, *.accdb)"})
      ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string("SOFTWARE\\ODBC\\ODBCINST.INI\\") + driver).c_str());
  }

  const std::string name_ = "TarnoTestSource" + std::to_string(::GetCurrentProcessId());
  win32::test_registry::SavedKey drivers_{HKEY_LOCAL_MACHINE, kDrivers};
  win32::test_registry::SavedKey access_{HKEY_LOCAL_MACHINE,
                                         "SOFTWARE\\ODBC\\ODBCINST.INI\\Microsoft Access Driver (*.mdb)"};
};

// Every value of the data source, in order, with its type; the first driver
// listed whose name holds "*.mdb" in any case is the one used.
TEST_F(OdbcDataSourcesTest, FirstMatchingDriverAndEveryValueInOrder) {
  AddDriver("Access Text (*.txt)", "C:\\odbc\\text.dll");
  AddDriver("Tarno Access (*.MDB)", "C:\\odbc\\first.dll");
  AddDriver("Tarno Jet (*.mdb, *.accdb)", "C:\\odbc\\second.dll");
  const std::vector<std::string> listed = Values(kDrivers);
  ASSERT_EQ(listed.size(), 3u);
  ASSERT_EQ(listed[1], "Tarno Access (*.MDB)=sz:Installed") << "the registry lists the drivers in another order";

  EXPECT_FALSE(DSNExists(name_));
  CreateAccessDSN(name_, "C:\\Tarno\\spam\\challenge.mdb");
  EXPECT_TRUE(DSNExists(name_));
  EXPECT_EQ(ListEntry(name_), "Tarno Access (*.MDB)");
  const std::vector<std::string> expected = {
      "DBQ=sz:C:\\Tarno\\spam\\challenge.mdb", "Driver=sz:C:\\odbc\\first.dll", "DriverId=dword:25",
      "FIL=sz:MS Access;",                      "SafeTransactions=dword:0",      "UID=sz:"};
  EXPECT_EQ(Values(kSources + name_), expected);
  const std::vector<std::string> jet = {"ImplicitCommitSync=sz:", "MaxBufferSize=dword:2048", "PageTimeout=dword:5",
                                        "Threads=dword:3", "UserCommitSync=sz:Yes"};
  EXPECT_EQ(Values(kSources + name_ + "\\Engines\\Jet"), jet);
}

// Without an Access driver nothing at all is written; a driver that names no
// library counts as none.
TEST_F(OdbcDataSourcesTest, NothingWrittenWithoutADriver) {
  AddDriver("Access Text (*.txt)", "C:\\odbc\\text.dll");
  CreateAccessDSN(name_, "C:\\Tarno\\calendar\\calendar.mdb");
  EXPECT_EQ(ListEntry(name_), "<missing>");
  EXPECT_EQ(Values(kSources + name_), std::vector<std::string>{"<no key>"});

  AddDriver("Tarno Access (*.MDB)", "");
  CreateAccessDSN(name_, "C:\\Tarno\\calendar\\calendar.mdb");
  EXPECT_EQ(ListEntry(name_), "<missing>");
  EXPECT_EQ(Values(kSources + name_), std::vector<std::string>{"<no key>"});
}

// The suite's stand-in driver entry, as a machine with the Access driver has
// it, is found and its library path used.
TEST_F(OdbcDataSourcesTest, SuiteDriverEntryIsUsed) {
  const std::string program = win32::test_files::TestProgramFolder() + "odbc-standin\\access_driver.exe";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + program + "\"";
  ASSERT_TRUE(::CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process))
      << program << " error " << ::GetLastError();
  win32::ScopedHandle thread(process.hThread), handle(process.hProcess);
  ASSERT_EQ(::WaitForSingleObject(handle.get(), 60000), WAIT_OBJECT_0);
  DWORD exit_code = 1;
  ::GetExitCodeProcess(handle.get(), &exit_code);
  ASSERT_EQ(exit_code, 0u);

  char system[MAX_PATH];
  const UINT n = ::GetSystemDirectoryA(system, MAX_PATH);
  CreateAccessDSN(name_, "C:\\Tarno\\calendar\\calendar.mdb");
  EXPECT_EQ(ListEntry(name_), "Microsoft Access Driver (*.mdb)");
  const std::vector<std::string> values = Values(kSources + name_);
  ASSERT_GE(values.size(), 2u);
  EXPECT_EQ(values[1], "Driver=sz:" + std::string(system, n) + "\\odbcjt32.dll");
}

// An existing data source is never touched, whatever it points to; one whose
// list entry is empty counts as missing.
TEST_F(OdbcDataSourcesTest, ExistingSourceUntouchedEmptyEntryMissing) {
  AddDriver("Tarno Access (*.MDB)", "C:\\odbc\\first.dll");
  SetText(kSourceList, name_, "");
  EXPECT_FALSE(DSNExists(name_));
  CreateAccessDSN(name_, "C:\\Tarno\\other.mdb");
  EXPECT_EQ(ListEntry(name_), "Tarno Access (*.MDB)");
  EXPECT_EQ(Values(kSources + name_)[0], "DBQ=sz:C:\\Tarno\\other.mdb");
}

}  // namespace
}  // namespace platform
