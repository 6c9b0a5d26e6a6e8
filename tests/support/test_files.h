// Test-side file access for the Win32 tests: plain API calls, independent of
// the helpers under test, so that a test never checks code with itself.
#pragma once

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "win32/scoped_handle.h"

namespace win32::test_files {

// The folder of the running test program, with a trailing backslash.
inline std::string TestProgramFolder() {
  char path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string text(path, n);
  return text.substr(0, text.find_last_of('\\') + 1);
}

inline DWORD Attributes(const std::string& path) { return ::GetFileAttributesA(path.c_str()); }
inline bool Exists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }
inline bool IsDir(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Writes `bytes` to `path` (replacing it) and then sets `attributes` when not 0.
inline void PutFile(const std::string& path, const std::string& bytes, DWORD attributes = 0) {
  ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
  ASSERT_TRUE(file) << "create " << path << " error " << ::GetLastError();
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  ASSERT_EQ(written, bytes.size());
  file.reset();
  if (attributes != 0) {
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), attributes)) << path;
  }
}

// The whole content of `path`, or a text in angle brackets saying why not.
inline std::string GetFile(const std::string& path) {
  ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return "<cannot open, error " + std::to_string(::GetLastError()) + ">";
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
  return bytes;
}

// Every file below `directory` (with trailing backslash), as relative names
// with '\', sorted.
inline void AppendFilesBelow(const std::string& directory, const std::string& relative,
                             std::vector<std::string>& out) {
  WIN32_FIND_DATAA data;
  ScopedFindHandle find(::FindFirstFileA((directory + relative + "*").c_str(), &data));
  if (!find) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      AppendFilesBelow(directory, relative + name + "\\", out);
    else
      out.push_back(relative + name);
  } while (::FindNextFileA(find.get(), &data));
}
inline std::vector<std::string> FilesBelow(const std::string& directory) {
  std::vector<std::string> files;
  AppendFilesBelow(directory, "", files);
  std::sort(files.begin(), files.end());
  return files;
}

// Every file below `directory` with its bytes (relative name -> content).
inline std::map<std::string, std::string> FileContentsBelow(const std::string& directory) {
  std::map<std::string, std::string> files;
  for (const std::string& name : FilesBelow(directory)) files[name] = GetFile(directory + name);
  return files;
}

inline void MakeDirectory(const std::string& path) {
  ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr)) << "create directory " << path << " error "
                                                          << ::GetLastError();
}

// Removes a test tree whatever the code under test left: clears attributes,
// removes links without entering them.
inline void RemoveTree(const std::string& directory) {
  std::string base = directory;
  if (base.empty()) return;
  if (base.back() != '\\') base += '\\';
  WIN32_FIND_DATAA data;
  ScopedFindHandle find(::FindFirstFileA((base + "*").c_str(), &data));
  if (find) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = base + name;
      ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) RemoveTree(full);
        ::RemoveDirectoryA(full.c_str());
      } else {
        ::DeleteFileA(full.c_str());
      }
    } while (::FindNextFileA(find.get(), &data));
  }
  find.reset();
  ::SetFileAttributesA(directory.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::RemoveDirectoryA(directory.c_str());
}

// Whether this system refuses to open a read-only file for writing. Windows
// does; Wine maps the attribute onto the Unix write permission, which root
// ignores, so a Wine prefix run as root lets read-only files be written
// (deleting them is still refused).
inline bool ReadOnlyFilesRefuseWriting(const std::string& directory) {
  std::string path = directory + "read-only probe.tmp";
  PutFile(path, "probe", FILE_ATTRIBUTE_READONLY);
  ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
  bool refused = !file;
  file.reset();
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA(path.c_str());
  return refused;
}

// Gives `path` a protected access list with one explicit entry (everyone:
// full access), as a file in a private temporary folder might carry.
inline void ProtectWithExplicitAccess(const std::string& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;FA;;;WD)", SDDL_REVISION_1,
                                                                      &descriptor, nullptr));
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  DWORD result = ::SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT,
                                         DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                         nullptr, nullptr, dacl, nullptr);
  ::LocalFree(descriptor);
  ASSERT_EQ(result, static_cast<DWORD>(ERROR_SUCCESS)) << "protect " << path;
}

// What the access list of `path` holds: whether it is protected from the
// parent's entries and how many entries are its own (not inherited).
struct AccessListFacts {
  bool read = false;
  bool is_protected = false;
  int explicit_entries = 0;
};
inline AccessListFacts ReadAccessList(const std::string& path) {
  AccessListFacts facts;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &descriptor) != ERROR_SUCCESS)
    return facts;
  facts.read = true;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ::GetSecurityDescriptorControl(descriptor, &control, &revision);
  facts.is_protected = (control & SE_DACL_PROTECTED) != 0;
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    if (::GetAce(dacl, i, reinterpret_cast<void**>(&ace)) && !(ace->AceFlags & INHERITED_ACE))
      ++facts.explicit_entries;
  }
  ::LocalFree(descriptor);
  return facts;
}

}  // namespace win32::test_files

#define SKIP_UNLESS_READ_ONLY_REFUSES_WRITING(directory)                                    \
  if (!::win32::test_files::ReadOnlyFilesRefuseWriting(directory))                          \
  GTEST_SKIP() << "this system lets a read-only file be written (Wine run as root), so "   \
                  "what happens to a read-only target cannot be shown here"
