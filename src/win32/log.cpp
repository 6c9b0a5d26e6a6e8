#include "win32/log.h"

#include <windows.h>

#include "win32/scoped_handle.h"

namespace win32 {

void LogLine(const std::string& line) {
  DWORD saved = ::GetLastError();
  std::string text = "[Setup] " + line + "\r\n";
  ::OutputDebugStringA(text.c_str());
  char path[MAX_PATH];
  DWORD n = ::GetEnvironmentVariableA("TARNO_SETUP_LOG", path, sizeof(path));
  if (n > 0 && n < sizeof(path)) {
    ScopedHandle file(::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    // A log that cannot be written is no reason to fail what is being logged.
    if (file) ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
  ::SetLastError(saved);
}

}  // namespace win32
