#include "serverconf/store_files.h"

#include <windows.h>

#include <algorithm>

#include "win32/log.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace serverconf {

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool ReadFileBytes(const std::string& path, std::string& content, size_t limit) {
  win32::ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD code = ::GetLastError();
    if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) win32::LogFailure("opening", path, code);
    return false;
  }
  content.clear();
  char buffer[16384];
  while (content.size() < limit) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min(sizeof buffer, limit - content.size()));
    if (!::ReadFile(file.get(), buffer, want, &got, nullptr)) {
      win32::LogFailure("reading", path, ::GetLastError());
      return false;
    }
    if (got == 0) break;
    content.append(buffer, got);
  }
  return true;
}

bool CreateDirectoryTree(const std::string& dir) {
  size_t first = 0;
  if (dir.rfind("\\\\", 0) == 0) {  // \\server\share\ : start behind the share
    first = dir.find('\\', 2);
    first = first == std::string::npos ? dir.size() : dir.find('\\', first + 1);
    if (first == std::string::npos) first = dir.size();
  } else if (dir.size() >= 2 && dir[1] == ':') {
    first = 2;
  }
  for (size_t at = dir.find_first_of("\\/", first + 1); at != std::string::npos;
       at = dir.find_first_of("\\/", at + 1)) {
    const std::string part = dir.substr(0, at);
    if (::CreateDirectoryA(part.c_str(), nullptr)) continue;
    const DWORD code = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesA(part.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      win32::LogFailure("creating the directory", part, code);
      return false;
    }
  }
  return true;
}

bool WriteFileBytes(const std::string& path, const void* data, size_t size) {
  win32::ScopedHandle out(
      ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) {
    win32::LogFailure("creating", path, ::GetLastError());
    return false;
  }
  DWORD written = 0;
  if (size > 0 && (!::WriteFile(out.get(), data, static_cast<DWORD>(size), &written, nullptr) || written != size)) {
    win32::LogFailure("writing", path, ::GetLastError());
    return false;
  }
  return true;
}

}  // namespace serverconf
