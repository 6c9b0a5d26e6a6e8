#include "serverconf/config_conversion.h"

#include <windows.h>

#include <span>
#include <vector>

#include "engine/path_text.h"
#include "platform/product_keys.h"
#include "serverconf/config_store.h"
#include "serverconf/server_settings.h"
#include "win32/log.h"
#include "win32/registry_value.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace serverconf {
namespace {

namespace f = settings_field;

// Its presence means the registry has been converted already.
constexpr char kFamilyKey[] = "Software\\Cordane";

constexpr const char* kStringValues[] = {"InstallDir", "Version", "Name", "Email", "Country", "Company"};

struct BinaryValue {
  const char* old_name;
  const char* new_name;
};

constexpr BinaryValue kMailServerBinaryValues[] = {
    {"DNSQuery", "DNSQuery"},
    {"Settings", "Settings"},
    {"SMTPTest", "SMTPTest"},
    {"TARNONotify", "Notify"},
};

// The largest binary value an early version wrote; anything larger is not
// one of its values.
constexpr DWORD kMaxBinaryValue = 4096;

struct KeyConversion {
  const char* old_key;
  const char* new_key;
  std::span<const BinaryValue> binary_values;
};

constexpr KeyConversion kKeyConversions[] = {
    {"Software\\Tarno", platform::kProductKey, kMailServerBinaryValues},
    {"Software\\CWEBMAIL", platform::kWebMailKey, {}},
};

std::string KeyName(const char* path) { return std::string("HKEY_LOCAL_MACHINE\\") + path; }

// Opens an existing key for reading. A key that is not there is the usual
// case and not logged.
bool OpenExisting(const char* path, win32::ScopedRegKey& key) {
  LONG rc = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.receive());
  if (rc == ERROR_SUCCESS) return true;
  if (rc != ERROR_FILE_NOT_FOUND) win32::LogFailure("registry conversion: opening", KeyName(path), rc);
  return false;
}

// A missing value is copied as an empty string. A value of another type is
// nothing an early version wrote; like a binary value of another type it
// ends the conversion.
void CopyString(HKEY from, HKEY to, const char* name, const KeyConversion& conversion) {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
  std::string text;
  LONG rc = win32::QueryRegistryValue(from, name, &type, &data);
  if (rc == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ) rc = ERROR_DATATYPE_MISMATCH;
  if (rc == ERROR_SUCCESS)
    text = win32::RegistryText(data);
  else if (rc != ERROR_FILE_NOT_FOUND)
    win32::ThrowFailure(std::string("registry conversion: reading value \"") + name + "\" of",
                        KeyName(conversion.old_key), rc);
  rc = ::RegSetValueExA(to, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
  if (rc != ERROR_SUCCESS)
    win32::ThrowFailure(std::string("registry conversion: writing value \"") + name + "\" of",
                        KeyName(conversion.new_key), rc);
}

void CopyBinary(HKEY from, HKEY to, const BinaryValue& value, const KeyConversion& conversion) {
  BYTE data[kMaxBinaryValue];
  DWORD size = sizeof data;
  DWORD type = REG_NONE;
  LONG rc = ::RegQueryValueExA(from, value.old_name, nullptr, &type, data, &size);
  if (rc == ERROR_FILE_NOT_FOUND) return;
  if (rc == ERROR_SUCCESS && type != REG_BINARY) rc = ERROR_DATATYPE_MISMATCH;
  if (rc != ERROR_SUCCESS)
    win32::ThrowFailure(std::string("registry conversion: reading binary value \"") + value.old_name + "\" of",
                        KeyName(conversion.old_key), rc);
  if (size == 0) return;
  rc = ::RegSetValueExA(to, value.new_name, 0, REG_BINARY, data, size);
  if (rc != ERROR_SUCCESS)
    win32::ThrowFailure(std::string("registry conversion: writing value \"") + value.new_name + "\" of",
                        KeyName(conversion.new_key), rc);
}

void ConvertKey(const KeyConversion& conversion, bool delete_old) {
  {
    win32::ScopedRegKey old_key;
    if (!OpenExisting(conversion.old_key, old_key)) return;
    win32::ScopedRegKey new_key;
    LONG rc = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, conversion.new_key, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_SET_VALUE, nullptr, new_key.receive(), nullptr);
    if (rc != ERROR_SUCCESS)
      win32::ThrowFailure("registry conversion: opening or creating", KeyName(conversion.new_key), rc);
    for (const char* name : kStringValues) CopyString(old_key.get(), new_key.get(), name, conversion);
    for (const BinaryValue& value : conversion.binary_values)
      CopyBinary(old_key.get(), new_key.get(), value, conversion);
  }
  if (!delete_old) return;
  // A failure leaves the early key behind, which is harmless: its values are
  // in the new key, and the family key keeps it from being converted again.
  LONG rc = ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, conversion.old_key);
  if (rc != ERROR_SUCCESS) win32::LogFailure("registry conversion: deleting", KeyName(conversion.old_key), rc);
}

}  // namespace

void ConvertRegistry(bool delete_old) {
  try {
    {
      win32::ScopedRegKey family;
      if (OpenExisting(kFamilyKey, family)) return;
    }
    for (const KeyConversion& conversion : kKeyConversions) ConvertKey(conversion, delete_old);
  } catch (const std::exception&) {
    // Logged where it failed. The conversion is a convenience for upgrades
    // from early versions; what was copied before the failure stays, and the
    // setup goes on with what the current keys hold.
  }
}

void StoreInstallPaths(const std::string& install_dir) {
  const std::string base = engine::AdjustTrailingBackslash(install_dir, true, false);
  SetDataDirectories(base + "temp\\", base + "mail\\", base + "logs\\");
}

void StoreEditionChoice(std::optional<uint8_t> edition, InterfaceMode mode, bool config_present,
                        const std::string& install_dir) {
  const std::string base = engine::AdjustTrailingBackslash(install_dir, true, false);
  SetConfigPath(base + "config\\");
  LoadServerConfig(false, false);
  UnloadDatabaseLibrary();
  if (edition == kEditionProfessional || edition == kEditionStandard || edition == kEditionLite)
    SetEdition(*edition);
  Settings().SetString(f::kConsoleFile, mode == InterfaceMode::kAdvanced ? "advanced.xml" : "basic.xml");
  if (!config_present) StoreInstallPaths(base);
  SaveServerConfig();
}

}  // namespace serverconf
