// Test-side registry state for the Win32 tests: keys and values of the
// shared prefix that a test changes are saved first and put back when the
// test ends, with plain API calls independent of the code under test.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "win32/scoped_handle.h"

namespace win32::test_registry {

// Sets the text value `name` of HKEY_LOCAL_MACHINE\`key`, creating the key;
// a failure fails the test.
inline void SetText(const std::string& key, const std::string& name, const std::string& text) {
  ScopedRegKey k;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.receive(),
                              nullptr),
            ERROR_SUCCESS)
      << key;
  ASSERT_EQ(::RegSetValueExA(k.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
            ERROR_SUCCESS)
      << key << "\\" << name;
}

// Moves a registry key (with subkeys) away for the duration of a test and
// puts it back afterwards; the test starts without the key.
class SavedKey {
 public:
  SavedKey(HKEY root, std::string path) : root_(root), path_(std::move(path)), backup_(BackupName(path_)) {
    ScopedRegKey key;
    if (::RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, key.receive()) != ERROR_SUCCESS) return;
    ScopedRegKey backup;
    ::RegDeleteTreeA(root_, backup_.c_str());
    if (::RegCreateKeyExA(root_, backup_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, backup.receive(),
                          nullptr) != ERROR_SUCCESS ||
        ::RegCopyTreeA(key.get(), nullptr, backup.get()) != ERROR_SUCCESS) {
      ADD_FAILURE() << "could not save " << path_;
      return;
    }
    existed_ = true;
    key.reset();
    ::RegDeleteTreeA(root_, path_.c_str());
  }
  SavedKey(const SavedKey&) = delete;
  SavedKey& operator=(const SavedKey&) = delete;

  ~SavedKey() {
    ::RegDeleteTreeA(root_, path_.c_str());
    if (!existed_) return;
    ScopedRegKey backup, key;
    if (::RegOpenKeyExA(root_, backup_.c_str(), 0, KEY_READ, backup.receive()) == ERROR_SUCCESS &&
        ::RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.receive(), nullptr) ==
            ERROR_SUCCESS)
      ::RegCopyTreeA(backup.get(), nullptr, key.get());
    backup.reset();
    ::RegDeleteTreeA(root_, backup_.c_str());
  }

 private:
  static std::string BackupName(const std::string& path) {
    std::string name = "Software\\TarnoTestBackup-" + std::to_string(::GetCurrentProcessId()) + "-";
    for (char c : path) name += c == '\\' ? '_' : c;
    return name;
  }

  HKEY root_;
  std::string path_;
  std::string backup_;
  bool existed_ = false;
};

// Saves one value and restores (or removes) it afterwards.
class SavedValue {
 public:
  SavedValue(HKEY root, std::string key, std::string name)
      : root_(root), key_(std::move(key)), name_(std::move(name)) {
    DWORD size = 0;
    if (::RegGetValueA(root_, key_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type_, nullptr, &size) !=
        ERROR_SUCCESS)
      return;
    data_.resize(size);
    existed_ = ::RegGetValueA(root_, key_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type_, data_.data(),
                              &size) == ERROR_SUCCESS;
    data_.resize(size);
  }
  SavedValue(const SavedValue&) = delete;
  SavedValue& operator=(const SavedValue&) = delete;

  ~SavedValue() {
    ScopedRegKey key;
    if (::RegOpenKeyExA(root_, key_.c_str(), 0, KEY_SET_VALUE, key.receive()) != ERROR_SUCCESS) return;
    if (existed_)
      ::RegSetValueExA(key.get(), name_.c_str(), 0, type_, data_.data(), static_cast<DWORD>(data_.size()));
    else
      ::RegDeleteValueA(key.get(), name_.c_str());
  }

 private:
  HKEY root_;
  std::string key_, name_;
  bool existed_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> data_;
};

}  // namespace win32::test_registry
