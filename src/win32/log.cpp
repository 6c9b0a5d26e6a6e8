#include "win32/log.h"

#include <windows.h>

#include <cstdio>

#include "win32/scoped_handle.h"

namespace win32 {
namespace {

std::string& RequestedLogFile() {
  static std::string path;
  return path;
}

void AppendTo(const std::string& path, const std::string& text) {
  ScopedHandle file(::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  // A log that cannot be written is no reason to fail what is being logged.
  if (file) ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string LocalTimeStamp() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u", now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  return stamp;
}

}  // namespace

void LogLine(const std::string& line) {
  DWORD saved = ::GetLastError();
  std::string text = "[Setup] " + line + "\r\n";
  ::OutputDebugStringA(text.c_str());
  char path[MAX_PATH];
  DWORD n = ::GetEnvironmentVariableA("TARNO_SETUP_LOG", path, sizeof(path));
  if (n > 0 && n < sizeof(path)) AppendTo(path, text);
  if (!RequestedLogFile().empty()) AppendTo(RequestedLogFile(), LocalTimeStamp() + " " + line + "\r\n");
  ::SetLastError(saved);
}

void SetLogFile(const std::string& path) {
  if (path.empty()) {
    RequestedLogFile().clear();
    return;
  }
  char full[MAX_PATH];
  DWORD n = ::GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  RequestedLogFile() = (n > 0 && n < sizeof full) ? std::string(full, n) : path;
}

std::string LogFile() { return RequestedLogFile(); }

}  // namespace win32
