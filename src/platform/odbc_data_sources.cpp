#include "platform/odbc_data_sources.h"

#include <exception>
#include <vector>

#include "setup/advanced_registry.h"
#include "messages/setup_messages.h"
#include "win32/log.h"

namespace platform {
namespace {

constexpr char kDataSourceArea[] = "\\SOFTWARE\\ODBC\\ODBC.INI";
constexpr char kDriverArea[] = "\\SOFTWARE\\ODBC\\ODBCINST.INI";
constexpr char kDataSourceList[] = "ODBC Data Sources";
constexpr char kDriverList[] = "ODBC Drivers";

// Each operation works through a registry component of its own, rooted at
// HKEY_LOCAL_MACHINE; this points it at area + "\" + section.
setup::TAdvancedRegistry& Point(setup::TAdvancedRegistry& key, const char* area, const std::string& section) {
  key.SetRegistryRootKey(setup::TRegistryKey::hkLOCAL_MACHINE);
  key.SetRegistryArea(area);
  key.SetRegistrySection(section);
  return key;
}

// The first driver listed whose name contains "*.mdb" in any case; empty when none.
std::string AccessDriverName(setup::TAdvancedRegistry& key) {
  std::vector<std::string> names;
  Point(key, kDriverArea, kDriverList).GetValueNames(names);
  for (const std::string& name : names)
    if (setup::LowerCaseAscii(name).find("*.mdb") != std::string::npos) return name;
  return std::string();
}

}  // namespace

bool DSNExists(const std::string& name) {
  try {
    setup::TAdvancedRegistry key;
    return !Point(key, kDataSourceArea, kDataSourceList).ReadString(name).empty();
  } catch (const std::exception& error) {
    win32::LogLine("reading the ODBC data source " + name + " failed: " + error.what());
    return false;
  }
}

void CreateAccessDSN(const std::string& name, const std::string& database_file) {
  try {
    setup::TAdvancedRegistry key;
    const std::string driver = AccessDriverName(key);
    if (driver.empty()) {
      win32::LogLine("no Access ODBC driver (\"*.mdb\") is installed; the data source " + name + " is not registered");
      return;
    }
    const std::string library = Point(key, kDriverArea, driver).ReadString("Driver");
    if (library.empty()) {
      win32::LogLine("the ODBC driver \"" + driver + "\" names no driver library; the data source " + name +
                     " is not registered");
      return;
    }
    Point(key, kDataSourceArea, kDataSourceList).WriteString(name, driver);

    setup::TAdvancedRegistry& source = Point(key, kDataSourceArea, name);
    source.WriteString("DBQ", database_file);
    source.WriteString("Driver", library);
    source.WriteInteger("DriverId", 25);
    source.WriteString("FIL", "MS Access;");
    source.WriteInteger("SafeTransactions", 0);
    source.WriteString("UID", "");

    setup::TAdvancedRegistry& jet = Point(key, kDataSourceArea, name + "\\Engines\\Jet");
    jet.WriteString("ImplicitCommitSync", "");
    jet.WriteInteger("MaxBufferSize", 2048);
    jet.WriteInteger("PageTimeout", 5);
    jet.WriteInteger("Threads", 3);
    jet.WriteString("UserCommitSync", "Yes");
  } catch (const std::exception& error) {
    // A data source is a convenience for the servers; the installation goes on without it.
    win32::LogLine("registering the ODBC data source " + name + " failed: " + error.what());
  }
}

}  // namespace platform
