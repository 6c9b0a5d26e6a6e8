#include "setup/advanced_registry.h"

#include <cstring>
#include <utility>

#include "win32/registry_value.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace setup {
namespace {

struct RootKeyRow {
  TRegistryKey key;
  HKEY handle;
  const char* name;
};

const RootKeyRow kRootKeys[] = {
    {TRegistryKey::hkCLASSES_ROOT, HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {TRegistryKey::hkCURRENT_USER, HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {TRegistryKey::hkLOCAL_MACHINE, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {TRegistryKey::hkUSERS, HKEY_USERS, "HKEY_USERS"},
    {TRegistryKey::hkPERFORMANCE_DATA, HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA"},
    {TRegistryKey::hkCURRENT_CONFIG, HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
    {TRegistryKey::hkDYN_DATA, HKEY_DYN_DATA, "HKEY_DYN_DATA"},
};

const RootKeyRow& RootRow(TRegistryKey root) {
  for (const auto& row : kRootKeys)
    if (row.key == root) return row;
  return kRootKeys[1];  // unreachable for a valid enumerator; HKCU is the default
}

// The paths are written "\Software\Cordane"; the API takes them relative to
// the root, without the leading backslash, and a doubled separator where area
// and section meet would name an empty key.
std::string TrimBackslashes(const std::string& text) {
  size_t begin = text.find_first_not_of('\\');
  if (begin == std::string::npos) return {};
  size_t end = text.find_last_not_of('\\');
  return text.substr(begin, end - begin + 1);
}

std::string ValueAction(const char* operation, const char* verb, const std::string& name) {
  return std::string(operation) + ": " + verb + " value \"" + name + "\" of";
}

}  // namespace

HKEY RootKeyHandle(TRegistryKey root) { return RootRow(root).handle; }
const char* RootKeyName(TRegistryKey root) { return RootRow(root).name; }

TAdvancedRegistry::TAdvancedRegistry(std::string name)
    : ui::Component(std::move(name), "TAdvancedRegistry") {}

void TAdvancedRegistry::ApplyDesign(const RegistryInstanceDesign& design) {
  root_ = design.root;
  area_ = design.area;
  section_ = design.section;
}

std::string TAdvancedRegistry::KeyPath() const {
  std::string area = TrimBackslashes(area_);
  std::string section = TrimBackslashes(section_);
  if (area.empty()) return section;
  if (section.empty()) return area;
  return area + "\\" + section;
}

std::string TAdvancedRegistry::FullKeyPath() const {
  std::string path = KeyPath();
  return path.empty() ? RootKeyName(root_) : std::string(RootKeyName(root_)) + "\\" + path;
}

void TAdvancedRegistry::DoError() {
  if (OnError) OnError(*this);
}

void TAdvancedRegistry::Fail(const std::string& action, const std::string& object, LONG code) {
  win32::LogFailure(action, object, static_cast<DWORD>(code));
  DoError();
}

bool TAdvancedRegistry::OpenExisting(const char* operation, REGSAM access, HKEY* key) {
  LONG rc = ::RegOpenKeyExA(RootKeyHandle(root_), KeyPath().c_str(), 0, access, key);
  if (rc == ERROR_SUCCESS) return true;
  *key = nullptr;
  // A key that is not there reads as empty; only a real failure is one.
  if (rc != ERROR_FILE_NOT_FOUND) Fail(std::string(operation) + ": opening", FullKeyPath(), rc);
  return false;
}

bool TAdvancedRegistry::OpenOrCreate(const char* operation, REGSAM access, HKEY* key) {
  LONG rc = ::RegCreateKeyExA(RootKeyHandle(root_), KeyPath().c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, access, nullptr, key, nullptr);
  if (rc == ERROR_SUCCESS) return true;
  *key = nullptr;
  Fail(std::string(operation) + ": opening or creating", FullKeyPath(), rc);
  return false;
}

std::string TAdvancedRegistry::ReadString(const std::string& name) {
  win32::ScopedRegKey key;
  if (!OpenExisting("ReadString", KEY_QUERY_VALUE, key.receive())) return {};
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
  LONG rc = win32::QueryRegistryValue(key.get(), name, &type, &data);
  if (rc == ERROR_FILE_NOT_FOUND) return {};  // a value that is not there reads as empty
  if (rc == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ) rc = ERROR_DATATYPE_MISMATCH;
  if (rc != ERROR_SUCCESS) {
    Fail(ValueAction("ReadString", "reading", name), FullKeyPath(), rc);
    return {};
  }
  return win32::RegistryText(data);
}

bool TAdvancedRegistry::SetValue(const char* operation, const std::string& name, DWORD type,
                                 const BYTE* data, DWORD size) {
  win32::ScopedRegKey key;
  // An open or create failure is the caller's silent case: DoError only.
  if (!OpenOrCreate(operation, KEY_SET_VALUE, key.receive())) return false;
  LONG rc = ::RegSetValueExA(key.get(), name.c_str(), 0, type, data, size);
  if (rc != ERROR_SUCCESS)
    win32::ThrowFailure(ValueAction(operation, "writing", name), FullKeyPath(),
                        static_cast<DWORD>(rc));
  return true;
}

void TAdvancedRegistry::WriteString(const std::string& name, const std::string& value) {
  DWORD size = static_cast<DWORD>(std::strlen(value.c_str()) + 1);
  SetValue("WriteString", name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), size);
}

bool TAdvancedRegistry::TryWriteString(const std::string& name, const std::string& value) {
  DWORD size = static_cast<DWORD>(std::strlen(value.c_str()) + 1);
  try {
    return SetValue("TryWriteString", name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), size);
  } catch (const win32::Error&) {
    DoError();  // logged where it failed
    return false;
  }
}

void TAdvancedRegistry::WriteInteger(const std::string& name, int value) {
  DWORD bits = static_cast<DWORD>(value);
  SetValue("WriteInteger", name, REG_DWORD, reinterpret_cast<const BYTE*>(&bits), sizeof bits);
}

bool TAdvancedRegistry::ReadBool(const std::string& name) {
  win32::ScopedRegKey key;
  if (!OpenExisting("ReadBool", KEY_QUERY_VALUE, key.receive())) return false;
  DWORD type = REG_NONE;
  DWORD value = 0;
  DWORD size = sizeof value;
  LONG rc = ::RegQueryValueExA(key.get(), name.c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(&value), &size);
  if (rc == ERROR_FILE_NOT_FOUND) return false;  // a value that is not there reads as false
  // A value too large for a DWORD is of another type as well.
  if (rc == ERROR_MORE_DATA || (rc == ERROR_SUCCESS && (type != REG_DWORD || size != sizeof value)))
    rc = ERROR_DATATYPE_MISMATCH;
  if (rc != ERROR_SUCCESS) {
    Fail(ValueAction("ReadBool", "reading", name), FullKeyPath(), rc);
    return false;
  }
  return value != 0;
}

void TAdvancedRegistry::WriteBool(const std::string& name, bool value) {
  DWORD bits = value ? 1 : 0;
  SetValue("WriteBool", name, REG_DWORD, reinterpret_cast<const BYTE*>(&bits), sizeof bits);
}

void TAdvancedRegistry::DeleteKey(const std::string& key_path) {
  std::string path = TrimBackslashes(key_path);
  std::string object = std::string(RootKeyName(root_)) + (path.empty() ? "" : "\\" + path);
  // An empty path names the root itself: deleting its tree would wipe every
  // key below HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE.
  if (path.empty()) {
    Fail("DeleteKey: refusing to delete the whole of", object, ERROR_INVALID_PARAMETER);
    return;
  }
  LONG rc = ::RegDeleteTreeA(RootKeyHandle(root_), path.c_str());
  if (rc != ERROR_SUCCESS) Fail("DeleteKey: deleting", object, rc);
}

void TAdvancedRegistry::GetValueNames(std::vector<std::string>& names) {
  names.clear();
  win32::ScopedRegKey key;
  if (!OpenOrCreate("GetValueNames", KEY_QUERY_VALUE, key.receive())) return;
  DWORD longest = 0;
  LONG rc = ::RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, &longest, nullptr, nullptr, nullptr);
  if (rc != ERROR_SUCCESS) longest = 0;
  // The longest name is counted in characters; an ANSI name may take more
  // bytes, and values may be added while we walk, so the buffer still grows
  // on demand.
  std::vector<char> buffer(static_cast<size_t>(longest) + 1 < 256 ? 256 : longest + 1);
  for (DWORD index = 0;;) {
    DWORD length = static_cast<DWORD>(buffer.size());
    rc = ::RegEnumValueA(key.get(), index, buffer.data(), &length, nullptr, nullptr, nullptr,
                         nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) return;
    if (rc == ERROR_MORE_DATA && buffer.size() < 65536) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != ERROR_SUCCESS) {
      Fail("GetValueNames: enumerating the values of", FullKeyPath(), rc);
      return;
    }
    names.emplace_back(buffer.data(), length);
    ++index;
  }
}

}  // namespace setup
