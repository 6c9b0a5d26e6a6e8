// TAdvancedRegistry: the named values of one registry key, given as a root
// key, an area path below it and a section name.
//
// The key is RegistryArea + "\" + RegistrySection below the root. The area is
// written with a leading backslash ("\Software\Cordane"); leading and
// trailing backslashes of area and section are not part of the key's path.
// Every operation opens and closes the key itself; no key stays open between
// calls. A key or value that is not there is no failure: a read answers
// empty text or false, and nothing is logged or reported. Real failures never
// reach the caller on read either: a value of the wrong type, a key that
// cannot be opened (access denied, say) or created and a failing read are
// logged once and reported through DoError (the OnError event, when
// assigned); reads then answer empty text or false. A write that fails after
// its key was opened throws win32::Error. Strings are ANSI texts stored as
// REG_SZ; not thread-safe (used from the user-interface thread only).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/product_keys.h"
#include "ui/component.h"

namespace setup {

// The root keys, in the order of their published values.
enum class TRegistryKey {
  hkCLASSES_ROOT,
  hkCURRENT_USER,
  hkLOCAL_MACHINE,
  hkUSERS,
  hkPERFORMANCE_DATA,
  hkCURRENT_CONFIG,
  hkDYN_DATA,
};

// The predefined key `root` selects (HKEY_CURRENT_USER for hkCURRENT_USER, ...).
HKEY RootKeyHandle(TRegistryKey root);
// Its name as the log writes it: "HKEY_CURRENT_USER", ...
const char* RootKeyName(TRegistryKey root);

// One registry component as the main window's resource configures it.
struct RegistryInstanceDesign {
  const char* name;
  TRegistryKey root;
  const char* area;
  const char* section;
};

// The three instances TMainForm owns, in their creation order.
inline constexpr RegistryInstanceDesign kMainFormRegistries[3] = {
    {"AdvancedRegistry", TRegistryKey::hkCURRENT_USER,
     "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer", "Shell Folders"},
    {"AdvancedRegistryInstall", TRegistryKey::hkLOCAL_MACHINE, platform::kUninstallArea, platform::kUninstallSection},
    {"PathRegistry", TRegistryKey::hkLOCAL_MACHINE, "\\Software", "Tarno"},
};

class TAdvancedRegistry : public ui::Component {
 public:
  // Starts on hkCURRENT_USER, area "\Software\Company", section "Help".
  explicit TAdvancedRegistry(std::string name = "");

  TRegistryKey RegistryRootKey() const { return root_; }
  // Takes effect for the next operation; nothing is held open.
  void SetRegistryRootKey(TRegistryKey root) { root_ = root; }
  const std::string& RegistryArea() const { return area_; }
  void SetRegistryArea(const std::string& area) { area_ = area; }
  const std::string& RegistrySection() const { return section_; }
  void SetRegistrySection(const std::string& section) { section_ = section; }

  // Root, area and section of `design` (the name is given at construction).
  void ApplyDesign(const RegistryInstanceDesign& design);

  // The key's path relative to the root, as the API takes it:
  // "Software\Company\Help".
  std::string KeyPath() const;

  // Fired with this component as sender on every failure.
  std::function<void(TAdvancedRegistry& sender)> OnError;

  // The string value `name` (REG_SZ, or REG_EXPAND_SZ as stored, unexpanded),
  // whatever its length. Never creates the key. Missing key or value: "".
  // Other type, key that cannot be opened or failing read: DoError, "".
  std::string ReadString(const std::string& name);
  // Creates the key and its missing parents when needed, then sets `name` to
  // `value` as REG_SZ (up to its first NUL). Key cannot be opened or created:
  // DoError. Setting the value fails: throws win32::Error.
  void WriteString(const std::string& name, const std::string& value);
  // WriteString for a value whose loss the caller can bear: a write that
  // fails after the key was opened is logged (once, where it fails) and
  // reported through DoError instead of raised. True when the value was set.
  bool TryWriteString(const std::string& name, const std::string& value);
  // As WriteString, storing REG_DWORD with the bits of `value`.
  void WriteInteger(const std::string& name, int value);
  // True when `name` is a REG_DWORD other than 0. Never creates the key.
  // Missing key or value: false. Another type, key that cannot be opened or
  // failing read: DoError, false.
  bool ReadBool(const std::string& name);
  // WriteInteger of 1 or 0.
  void WriteBool(const std::string& name, bool value);
  // Deletes `key_path` (relative to the root, a leading backslash allowed)
  // with all its subkeys and values. A missing key or any failure: DoError.
  // An empty path (the root itself) is refused with DoError.
  void DeleteKey(const std::string& key_path);
  // Replaces `names` by the names of all values of the key, creating the key
  // (empty) when it is missing. Open or create failure: DoError, `names`
  // empty; a failing enumeration: DoError, the names read so far.
  void GetValueNames(std::vector<std::string>& names);
  // Fires OnError when assigned.
  void DoError();

 private:
  std::string FullKeyPath() const;
  void Fail(const std::string& action, const std::string& object, LONG code);
  bool OpenExisting(const char* operation, REGSAM access, HKEY* key);
  bool OpenOrCreate(const char* operation, REGSAM access, HKEY* key);
  bool SetValue(const char* operation, const std::string& name, DWORD type, const BYTE* data,
                DWORD size);

  TRegistryKey root_ = TRegistryKey::hkCURRENT_USER;
  std::string area_ = "\\Software\\Company";
  std::string section_ = "Help";
};

}  // namespace setup
