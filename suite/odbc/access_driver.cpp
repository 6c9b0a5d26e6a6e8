// Registers (or, with "/remove", removes) the suite's stand-in of an Access
// ODBC driver entry in the machine's ODBC installer keys, as a machine with
// the Access driver has it:
//
//   HKLM\SOFTWARE\ODBC\ODBCINST.INI\ODBC Drivers
//       "Microsoft Access Driver (*.mdb)" = "Installed"
//   HKLM\SOFTWARE\ODBC\ODBCINST.INI\Microsoft Access Driver (*.mdb)
//       "Driver", "Setup" (paths in the system folder), "FileExtns" = "*.mdb", ...
//
// The driver library itself is not provided: the setup only copies its path
// into the data sources it registers. Exit code 0 on success, otherwise the
// registry's error code.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

constexpr char kDriverName[] = "Microsoft Access Driver (*.mdb)";
constexpr char kInstallerKey[] = "SOFTWARE\\ODBC\\ODBCINST.INI";

LONG SetText(HKEY key, const char* name, const std::string& text) {
  return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

LONG Register() {
  char system[MAX_PATH];
  const UINT n = ::GetSystemDirectoryA(system, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return static_cast<LONG>(::GetLastError());
  const std::string folder = std::string(system, n) + "\\";
  HKEY list = nullptr;
  HKEY driver = nullptr;
  LONG result = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kInstallerKey) + "\\ODBC Drivers").c_str(), 0,
                                  nullptr, 0, KEY_SET_VALUE, nullptr, &list, nullptr);
  if (result == ERROR_SUCCESS) result = SetText(list, kDriverName, "Installed");
  if (result == ERROR_SUCCESS)
    result = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kInstallerKey) + "\\" + kDriverName).c_str(), 0,
                               nullptr, 0, KEY_SET_VALUE, nullptr, &driver, nullptr);
  const std::pair<const char*, std::string> values[] = {
      {"APILevel", "1"},           {"ConnectFunctions", "YYN"},
      {"Driver", folder + "odbcjt32.dll"}, {"DriverODBCVer", "02.50"},
      {"FileExtns", "*.mdb"},      {"FileUsage", "2"},
      {"Setup", folder + "odbcji32.dll"},  {"SQLLevel", "0"},
  };
  for (const auto& [name, text] : values)
    if (result == ERROR_SUCCESS) result = SetText(driver, name, text);
  if (driver != nullptr) ::RegCloseKey(driver);
  if (list != nullptr) ::RegCloseKey(list);
  return result;
}

LONG Remove() {
  HKEY list = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kInstallerKey) + "\\ODBC Drivers").c_str(), 0, KEY_SET_VALUE,
                      &list) == ERROR_SUCCESS) {
    ::RegDeleteValueA(list, kDriverName);
    ::RegCloseKey(list);
  }
  const LONG result = ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kInstallerKey) + "\\" + kDriverName).c_str());
  return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

}  // namespace

int main(int argc, char** argv) {
  const bool remove = argc > 1 && std::strcmp(argv[1], "/remove") == 0;
  return static_cast<int>(remove ? Remove() : Register());
}
